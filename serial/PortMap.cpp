// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortMap.h"

#include "common/ShownPath.h"

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
    static const QRegularExpression portKey(QStringLiteral("^ports/com(\\d+)(settleus|backend)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QSettings file(m_filePath, QSettings::IniFormat);
    QStringList named;
    for (const QString &key : file.allKeys()) {
        const QRegularExpressionMatch match = portKey.match(key);
        const int port = match.captured(1).toInt();
        if (!match.hasMatch() || port < 1 || port > MSComm::kPortCount)
            continue;
        const QString value = file.value(key).toString().trimmed();
        if (match.captured(2).compare(QLatin1String("backend"), Qt::CaseInsensitive) == 0) {
            if (kBackends.contains(value.toLower()))
                m_entries[port - 1].backend = value.toLower();
            else
                m_warnings << QObject::tr("%1: [Ports] %2=%3 is not auto, lines or ftdi; auto is used instead")
                                  .arg(shownPath(m_filePath), key.section(QLatin1Char('/'), 1), value);
            continue;
        }
        if (match.hasCaptured(2)) {
            bool ok = false;
            const int us = value.toInt(&ok);
            m_entries[port - 1].settleUs = ok && us >= 0 && us <= kMaxSettleUs ? us : 0;
            if (!ok || us < 0 || us > kMaxSettleUs)
                m_warnings << QObject::tr("%1: [Ports] %2=%3 is not a number from 0 to %4; 0 is used instead")
                                  .arg(shownPath(m_filePath), key.section(QLatin1Char('/'), 1), value)
                                  .arg(kMaxSettleUs);
            continue;
        }
        m_entries[port - 1].path = value;
        named << value;
    }
    if (m_entries.back().path.isEmpty())
        m_entries.back().path = kSimulatedBoard;

    QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();
    std::sort(present.begin(), present.end(),
              [](const auto &a, const auto &b) { return a.systemLocation() < b.systemLocation(); });
    int next = 0;
    for (const QSerialPortInfo &info : present) {
        if (named.contains(info.systemLocation()))
            continue;
        while (next < MSComm::kPortCount && !m_entries[next].path.isEmpty())
            ++next;
        if (next == MSComm::kPortCount)
            break;
        m_entries[next].path = info.systemLocation();
        m_entries[next].label = info.description();
    }
}

void PortMap::setDevice(int port, const QString &path)
{
    if (port >= 1 && port <= MSComm::kPortCount)
        m_entries[port - 1] = {path, {}, 0, QStringLiteral("auto")};
}

const PortMap::Entry &PortMap::entry(int port) const
{
    static const Entry none;
    return port >= 1 && port <= MSComm::kPortCount ? m_entries[port - 1] : none;
}

QString PortMap::describe(int port) const
{
    const QString path = devicePath(port);
    if (path.isEmpty())
        return QObject::tr("No device (map one in %1)").arg(shownPath(m_filePath));
    if (path == kSimulatedBoard)
        return QObject::tr("Built-in simulated board");
    const QString label = entry(port).label;
    return label.isEmpty() ? shownPath(path) : QStringLiteral("%1 (%2)").arg(shownPath(path), label);
}
