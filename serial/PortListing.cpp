// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortListing.h"

#include "common/ShownPath.h"
#include "serial/DeviceIdentity.h"
#include "serial/PortMap.h"
#include "serial/UsbFacts.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace {

const QString kIndent = QStringLiteral("       ");

QString origin(PortMap::Source source)
{
    switch (source) {
    case PortMap::Source::File:
        return QObject::tr("port map");
    case PortMap::Source::Automatic:
        return QObject::tr("automatic order");
    case PortMap::Source::BuiltIn:
        return QObject::tr("built in");
    case PortMap::Source::CommandLine:
        return QObject::tr("command line");
    case PortMap::Source::None:
        break;
    }
    return {};
}

// The driver of a tty that is no USB device, as sysfs names it, such as serial8250. Newer kernels
// put the serial core's own port and controller devices ("serial-base") between the two.
QString ttyDriver(const QString &device, const QString &sysRoot)
{
    const QString root = QFileInfo(sysRoot).canonicalFilePath();
    QString folder =
        QFileInfo(sysRoot + QStringLiteral("/class/tty/") + QFileInfo(device).fileName() + QStringLiteral("/device"))
            .canonicalFilePath();
    for (; !folder.isEmpty() && folder.startsWith(root + QLatin1Char('/')); folder = QFileInfo(folder).path()) {
        const QString subsystem =
            QFileInfo(QFileInfo(folder + QStringLiteral("/subsystem")).canonicalFilePath()).fileName();
        const QString driver = QFileInfo(QFileInfo(folder + QStringLiteral("/driver")).canonicalFilePath()).fileName();
        if (subsystem != QLatin1String("serial-base") && !driver.isEmpty())
            return driver;
    }
    return {};
}

// What sysfs says the device is, and its stable link, each line indented.
QString deviceFacts(const QString &path, const QString &sysRoot, const QString &byIdFolder)
{
    const QFileInfo info(path);
    if (!info.exists())
        return kIndent + QObject::tr("not present") + QLatin1Char('\n');
    const QString device = info.canonicalFilePath();
    QStringList said;
    if (device != info.absoluteFilePath())
        said << shownPath(device);
    if (const std::optional<UsbFacts> usb = UsbFacts::of(path, sysRoot)) {
        said << (usb->driver.isEmpty() ? QObject::tr("no driver") : usb->driver) << QStringLiteral("USB ") + usb->id();
        if (!usb->serialNumber.isEmpty())
            said << QObject::tr("serial %1").arg(usb->serialNumber);
        if (!usb->description.isEmpty())
            said << QLatin1Char('"') + usb->description + QLatin1Char('"');
    } else if (const QString driver = ttyDriver(device, sysRoot); !driver.isEmpty()) {
        said << driver; // a UART on the board, such as serial8250
    } else if (device.startsWith(QLatin1String("/dev/pts/"))) {
        said << QObject::tr("a pseudo-terminal");
    }
    QString text = said.isEmpty() ? QString() : kIndent + said.join(QStringLiteral(", ")) + QLatin1Char('\n');
    if (const QString link = DeviceIdentity::stableLink(device, byIdFolder);
        !link.isEmpty() && link != info.absoluteFilePath())
        text += kIndent + shownPath(link) + QLatin1Char('\n');
    return text;
}

} // namespace

QString portListing(const PortMap &map, const QString &sysRoot, const QString &byIdFolder)
{
    QString text;
    for (int port = 1; port <= MSComm::kPortCount; ++port) {
        const QString path = map.devicePath(port);
        text += QStringLiteral("Com%1").arg(port).leftJustified(kIndent.size());
        if (path.isEmpty()) {
            text += QObject::tr("no device") + QLatin1Char('\n');
            continue;
        }
        text += QStringLiteral("%1 (%2)\n").arg(shownPath(path), origin(map.source(port)));
        if (path == PortMap::kSimulatedBoard)
            text += kIndent + QObject::tr("the simulated board: a model, no hardware") + QLatin1Char('\n');
        else
            text += deviceFacts(path, sysRoot, byIdFolder);
    }
    text += QObject::tr("Port map: %1").arg(shownPath(map.filePath()));
    if (!QFileInfo(map.filePath()).isSymLink() && !QFileInfo::exists(map.filePath()))
        text += QObject::tr(" (none: the ports take the serial devices in order, Com16 the simulated board)");
    text += QLatin1Char('\n');
    for (const QString &warning : map.warnings())
        text += QStringLiteral("  ") + warning + QLatin1Char('\n');
    return text;
}
