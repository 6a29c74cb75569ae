#include "prog/PortChoice.h"

#include "serial/PortMap.h"
#include "serial/QtSerialDevice.h"
#include "simulator/DeviceFactory.h"

#include <QRegularExpression>

namespace {

PortChoice mapped(int number, const PortMap &map)
{
    return {number, makeDeviceFactory(map, std::make_shared<SimulatedChip>()), QStringLiteral("Com%1").arg(number)};
}

} // namespace

std::optional<PortChoice> choosePort(const QString &text, const PortMap &map, QString *error)
{
    static const QRegularExpression comN(QStringLiteral("^com(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = comN.match(text.trimmed()); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (number < 1 || number > MSComm::kPortCount) {
            *error = QObject::tr("%1 is not a port: the terminal has Com1 to Com%2").arg(text).arg(MSComm::kPortCount);
            return std::nullopt;
        }
        if (map.devicePath(number).isEmpty()) {
            *error = QObject::tr("%1 names no device: %2").arg(text, map.describe(number));
            return std::nullopt;
        }
        return mapped(number, map);
    }
    if (text == PortMap::kSimulatedBoard) {
        for (int number = 1; number <= MSComm::kPortCount; ++number)
            if (map.devicePath(number) == PortMap::kSimulatedBoard)
                return mapped(number, map);
        *error = QObject::tr("no port of %1 is the simulated board").arg(map.filePath());
        return std::nullopt;
    }
    if (text.trimmed().isEmpty()) {
        *error = QObject::tr("no port given");
        return std::nullopt;
    }
    const QString path = text;
    return PortChoice{1, [path](int, QString *) { return std::make_unique<QtSerialDevice>(path, QString()); }, path};
}
