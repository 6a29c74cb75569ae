#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <map>

// An Intel-HEX file read as a whole, before anything is done with it: every data byte by
// address, and every fault with the line it is on.
//
// Accepted: data (00), end of file (01, nothing after it is read), extended segment (02) and
// linear (04) addresses, start addresses (03, 05; no memory data), blank lines, either letter
// case, LF or CRLF line ends, records in any order, one address given twice with the same value.
// Faults: a line without ':', a non-hex character, an odd number of digits, a byte count that
// disagrees with the record, a bad checksum, an unknown record type, a malformed address record,
// data beyond lastAddress, and one address given two different values.
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
    friend class HexParser;
    std::map<quint32, quint8> m_bytes;
    QList<Fault> m_faults;
    int m_faultCount = 0;
};
