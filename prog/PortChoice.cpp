// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/PortChoice.h"

#include "adapter/LibFtdiBus.h"
#include "common/ShownPath.h"
#include "network/NetworkDevice.h"
#include "serial/PortMap.h"
#include "serial/TtyDevice.h"
#include "simulator/DeviceFactory.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

namespace {

const QRegularExpression kComN(QStringLiteral("^com(\\d+)$"), QRegularExpression::CaseInsensitiveOption);

PortChoice mapped(int number, const PortMap &map, const QString &sysRoot)
{
    QString device = QStringLiteral("Com%1, %2").arg(number).arg(map.describe(number));
    if (map.devicePath(number) == PortMap::kSimulatedBoard)
        device += QObject::tr(", its chip kept in %1").arg(shownPath(SimulatedChip::defaultFolder()));
    return {number,
            makeDeviceFactory(map, std::make_shared<SimulatedChip>()),
            QStringLiteral("Com%1").arg(number),
            device,
            LibFtdiBus::openerFor(map.devicePath(number), sysRoot),
            map.backend(number),
            map.devicePath(number)};
}

// What the system calls a device given by its path, when it knows it.
QString described(const QString &path)
{
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == path && !info.description().isEmpty())
            return QStringLiteral("%1 (%2)").arg(shownPath(path), info.description());
    return QObject::tr("%1 (no description from the system)").arg(shownPath(path));
}

} // namespace

bool goesThroughPortMap(const QString &text)
{
    return kComN.match(text.trimmed()).hasMatch() || text == PortMap::kSimulatedBoard;
}

std::optional<PortChoice> choosePort(const QString &text, const PortMap &map, QString *error, const QString &sysRoot)
{
    if (const QRegularExpressionMatch match = kComN.match(text.trimmed()); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (map.devicePath(number).isEmpty()) {
            *error = QObject::tr("%1 names no device: %2").arg(text, map.describe(number));
            return std::nullopt;
        }
        return mapped(number, map, sysRoot);
    }
    if (text == PortMap::kSimulatedBoard) {
        for (int number = 1; number <= MSComm::kPortCount; ++number)
            if (map.devicePath(number) == PortMap::kSimulatedBoard)
                return mapped(number, map, sysRoot);
        *error = QObject::tr("no port of %1 is the simulated board").arg(shownPath(map.filePath()));
        return std::nullopt;
    }
    if (text.trimmed().isEmpty()) {
        *error = QObject::tr("no port given");
        return std::nullopt;
    }
    const QString path = text;
    if (NetworkAddress::isUrl(path)) {
        const std::optional<NetworkAddress> address = NetworkAddress::parse(path, error);
        if (!address)
            return std::nullopt;
        PortChoice choice;
        choice.factory = [address = *address](int, QString *) { return std::make_unique<NetworkDevice>(address); };
        choice.name = choice.device = choice.path = address->url();
        return choice;
    }
    return PortChoice{1,
                      [path](int, QString *) { return std::make_unique<TtyDevice>(path, QString()); },
                      shownPath(path),
                      described(path),
                      LibFtdiBus::openerFor(path, sysRoot),
                      QStringLiteral("auto"),
                      path};
}
