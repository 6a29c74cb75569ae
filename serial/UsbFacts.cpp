// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/UsbFacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString attribute(const QString &folder, const char *name)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

std::optional<UsbFacts> UsbFacts::of(const QString &devicePath, const QString &sysRoot)
{
    const QString name = QFileInfo(QFileInfo(devicePath).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return std::nullopt;
    QString folder =
        QFileInfo(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device")).canonicalFilePath();
    if (folder.isEmpty())
        return std::nullopt;
    UsbFacts facts;
    facts.driver = QFileInfo(QFileInfo(folder + QStringLiteral("/driver")).canonicalFilePath()).fileName();
    // Up from the port to its USB interface, then to the device.
    const QString root = QFileInfo(sysRoot).canonicalFilePath();
    for (; !folder.isEmpty() && folder.startsWith(root); folder = QFileInfo(folder).path()) {
        if (const QString number = attribute(folder, "bInterfaceNumber"); !number.isEmpty())
            facts.interfaceNumber = number.toInt(nullptr, 16);
        if (const QString vendor = attribute(folder, "idVendor"); !vendor.isEmpty()) {
            facts.vendor = quint16(vendor.toUInt(nullptr, 16));
            facts.product = quint16(attribute(folder, "idProduct").toUInt(nullptr, 16));
            facts.description = attribute(folder, "product");
            facts.serialNumber = attribute(folder, "serial");
            facts.usbPort = QFileInfo(folder).fileName();
            facts.bus = attribute(folder, "busnum").toInt();
            facts.address = attribute(folder, "devnum").toInt();
            return facts;
        }
    }
    return std::nullopt;
}

bool UsbFacts::hasSyncBitbang() const
{
    constexpr quint16 kFtdi = 0x0403;
    return vendor == kFtdi && (product == 0x6001 || product == 0x6010 || product == 0x6011 || product == 0x6014);
}

QString UsbFacts::id() const
{
    return QStringLiteral("%1:%2").arg(vendor, 4, 16, QLatin1Char('0')).arg(product, 4, 16, QLatin1Char('0'));
}
