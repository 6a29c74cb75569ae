// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/MSComm.h"

#include <QString>
#include <QStringList>
#include <array>

// Which device stands behind each of Com1 to Com16.
//
// The file "ports.ini" in the per-user configuration folder "Tavro Terminal" may name a device
// path for any port, e.g.  [Ports]  Com3=/dev/serial/by-id/usb-FTDI...  or  Com5=/dev/pts/7, or a
// serial port served over the network, Com6=rfc2217://rack1:2001 or Com7=socket://rack1:3001;
// section and keys in any letter case.
// Ports it does not name take the serial devices present, in order of their paths, from Com1 on;
// Com16 is the built-in simulated board unless the file names something else for it.
//
// A USB adapter that applies line changes late gets a settle time in microseconds next to its
// path, e.g.  Com3SettleUs=1000 : the programmer waits that long after every line change.
// Com3Backend=auto|lines|ftdi chooses how the programmer drives the chip (auto when not given).
// A file that cannot be read leaves every port without a device until it is mended or removed,
// rather than let a number reach a device the file may have meant for another.
class PortMap
{
public:
    static inline const QString kSimulatedBoard = QStringLiteral("simulated-board");
    static constexpr int kMaxSettleUs = 1000000;
    static inline const QStringList kBackends{QStringLiteral("auto"), QStringLiteral("lines"), QStringLiteral("ftdi")};
    // Where a port's device comes from.
    enum class Source { None, File, Automatic, BuiltIn, CommandLine };

    // Empty file path: the per-user file.
    explicit PortMap(QString filePath = {});

    QString devicePath(int port) const { return entry(port).path; } // empty when nothing stands behind the port
    QString describe(int port) const;                               // for tooltips and messages
    QString label(int port) const { return entry(port).label; }     // what the system calls the device, when it says
    int settleUs(int port) const { return entry(port).settleUs; }   // 0 when the file gives none
    QString backend(int port) const { return entry(port).backend; }
    Source source(int port) const { return entry(port).source; }
    QString filePath() const { return m_filePath; }
    // For this run only: the device given on the command line behind a port, as if the file named it.
    void setDevice(int port, const QString &path);
    // Why the file could not be read, with what follows for the ports; nothing when it was or is not there.
    const Failure &unreadable() const { return m_unreadable; }
    // A settle time out of range, an unknown back end, a key given twice, each with the file, the key and
    // the value used; and first of all why the file could not be read, so that it is shown wherever these are.
    const QStringList &warnings() const { return m_warnings; }

private:
    struct Entry
    {
        QString path;
        QString label;
        int settleUs = 0;
        QString backend = QStringLiteral("auto");
        Source source = Source::None;
    };
    // The port's entry; an empty one for a number outside Com1 to Com16.
    const Entry &entry(int port) const;

    QString m_filePath;
    Failure m_unreadable;
    QStringList m_warnings;
    std::array<Entry, MSComm::kPortCount> m_entries; // index 0 is Com1
};
