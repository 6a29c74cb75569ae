#include "serial/PortMap.h"

#include "serial/MSComm.h"

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
    }

    QSettings file(m_filePath, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Ports"));
    QStringList named;
    for (const QString &key : file.childKeys()) {
        bool ok = false;
        const int port = key.mid(3).toInt(&ok);
        if (!key.startsWith(QLatin1String("com"), Qt::CaseInsensitive) || !ok || port < 1 || port > MSComm::kPortCount)
            continue;
        m_paths[port - 1] = file.value(key).toString().trimmed();
        named << m_paths[port - 1];
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
