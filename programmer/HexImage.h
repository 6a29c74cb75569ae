// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <map>

// An Intel-HEX file read as a whole, before anything is done with it: every data byte by
// address, and every fault with the line it is on. Records mean what IntelHex says; besides,
// blank lines are skipped and a line that is not a record is a fault.
class HexImage
{
public:
    struct Fault
    {
        int line; // 1-based
        QString reason;
    };
    static constexpr int kKeptFaults = 100; // a file of junk must not take all memory

    static HexImage parse(const QByteArray &text, quint32 lastAddress = 0xFFFFFFFF);

    // A file with a fault gives no bytes at all: it must not be used in part.
    bool ok() const { return m_faultCount == 0; }
    const std::map<quint32, quint8> &bytes() const { return m_bytes; }
    const QList<Fault> &faults() const { return m_faults; } // the first kKeptFaults
    int faultCount() const { return m_faultCount; }

private:
    void fault(int line, const QString &reason);

    std::map<quint32, quint8> m_bytes;
    QList<Fault> m_faults;
    int m_faultCount = 0;
};
