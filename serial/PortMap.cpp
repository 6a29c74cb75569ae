#include "serial/PortMap.h"

#include "serial/MSComm.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

PortMap::PortMap(QString filePath)
    : m_filePath(std::move(filePath))
{
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                     + QStringLiteral("/Tavro Terminal/ports.ini");
    for (int i = 0; i < MSComm::kPortCount; ++i) {
        m_paths << QString();
        m_labels << QString();
        m_settleUs << 0;
    }

    static const QRegularExpression portKey(QStringLiteral("^com(\\d+)(settleus)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QSettings file(m_filePath, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Ports"));
    QStringList named;
    for (const QString &key : file.childKeys()) {
        const QRegularExpressionMatch match = portKey.match(key);
        const int port = match.captured(1).toInt();
        if (!match.hasMatch() || port < 1 || port > MSComm::kPortCount)
            continue;
        const QString value = file.value(key).toString().trimmed();
        if (match.hasCaptured(2)) {
            bool ok = false;
            const int us = value.toInt(&ok);
            m_settleUs[port - 1] = ok && us > 0 && us <= kMaxSettleUs ? us : 0;
            continue;
        }
        m_paths[port - 1] = value;
        named << value;
    }
    if (m_paths.last().isEmpty())
        m_paths.last() = kSimulatedBoard;

    QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();
    std::sort(present.begin(), present.end(),
              [](const auto &a, const auto &b) { return a.systemLocation() < b.systemLocation(); });
    int next = 0;
    for (const QSerialPortInfo &info : present) {
        if (named.contains(info.systemLocation()))
            continue;
        while (next < MSComm::kPortCount && !m_paths[next].isEmpty())
            ++next;
        if (next == MSComm::kPortCount)
            break;
        m_paths[next] = info.systemLocation();
        m_labels[next] = info.description();
    }
}

QString PortMap::devicePath(int port) const
{
    if (port < 1 || port > MSComm::kPortCount)
        return {};
    return m_paths[port - 1];
}

QString PortMap::label(int port) const
{
    return port >= 1 && port <= MSComm::kPortCount ? m_labels[port - 1] : QString();
}

int PortMap::settleUs(int port) const
{
    return port >= 1 && port <= MSComm::kPortCount ? m_settleUs[port - 1] : 0;
}

QString PortMap::describe(int port) const
{
    const QString path = devicePath(port);
    if (path.isEmpty())
        return QObject::tr("No device (map one in %1)").arg(m_filePath);
    if (path == kSimulatedBoard)
        return QObject::tr("Built-in simulated board");
    const QString label = m_labels[port - 1];
    return label.isEmpty() ? path : QStringLiteral("%1 (%2)").arg(path, label);
}
