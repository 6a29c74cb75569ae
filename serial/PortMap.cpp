// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortMap.h"

#include "common/ShownPath.h"
#include "serial/PortMapFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>

PortMap::PortMap(QString filePath)
    : m_filePath(std::move(filePath))
{
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                     + QStringLiteral("/Tavro Terminal/ports.ini");
    static const QRegularExpression portKey(QStringLiteral("^com(\\d+)(settleus|backend)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const PortMapFile file(m_filePath);
    if (file.failure()) {
        m_unreadable =
            QObject::tr("%1; no port stands for a device until the file is mended or removed").arg(*file.failure());
        m_warnings << *m_unreadable;
        return;
    }
    m_warnings = file.warnings();
    QStringList named;
    for (const PortMapFile::Entry &setting : file.entries()) {
        const QString &key = setting.key;
        const QRegularExpressionMatch match = portKey.match(key);
        const int port = match.captured(1).toInt();
        if (!match.hasMatch() || port < 1 || port > MSComm::kPortCount)
            continue;
        const QString &value = setting.value;
        if (match.captured(2).compare(QLatin1String("backend"), Qt::CaseInsensitive) == 0) {
            if (kBackends.contains(value.toLower()))
                m_entries[port - 1].backend = value.toLower();
            else
                m_warnings << QObject::tr("%1: [Ports] %2=%3 is not auto, lines or ftdi; auto is used instead")
                                  .arg(shownPath(m_filePath), key, value);
            continue;
        }
        if (match.hasCaptured(2)) {
            bool ok = false;
            const int us = value.toInt(&ok);
            m_entries[port - 1].settleUs = ok && us >= 0 && us <= kMaxSettleUs ? us : 0;
            if (!ok || us < 0 || us > kMaxSettleUs)
                m_warnings << QObject::tr("%1: [Ports] %2=%3 is not a number from 0 to %4; 0 is used instead")
                                  .arg(shownPath(m_filePath), key, value, QString::number(kMaxSettleUs));
            continue;
        }
        m_entries[port - 1].path = value;
        m_entries[port - 1].source = Source::File;
        // A device the file names by a link is not taken again under its own name.
        named << value << QFileInfo(value).canonicalFilePath();
    }
    if (m_entries.back().path.isEmpty()) {
        m_entries.back().path = kSimulatedBoard;
        m_entries.back().source = Source::BuiltIn;
    }

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
        m_entries[next].source = Source::Automatic;
    }
}

void PortMap::setDevice(int port, const QString &path)
{
    if (port >= 1 && port <= MSComm::kPortCount)
        m_entries[port - 1] = {path, {}, 0, QStringLiteral("auto"), Source::CommandLine};
}

const PortMap::Entry &PortMap::entry(int port) const
{
    static const Entry none;
    return port >= 1 && port <= MSComm::kPortCount ? m_entries[port - 1] : none;
}

QString PortMap::describe(int port) const
{
    const QString path = devicePath(port);
    if (path.isEmpty() && m_unreadable)
        return QObject::tr("No device while %1 cannot be read").arg(shownPath(m_filePath));
    if (path.isEmpty())
        return QObject::tr("No device (map one in %1)").arg(shownPath(m_filePath));
    if (path == kSimulatedBoard)
        return QObject::tr("Built-in simulated board");
    const QString label = entry(port).label;
    return label.isEmpty() ? shownPath(path) : QStringLiteral("%1 (%2)").arg(shownPath(path), label);
}
