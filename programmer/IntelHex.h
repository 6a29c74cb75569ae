// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <map>
#include <optional>
#include <variant>

// Intel-HEX as this program reads and writes it, for the console's download, tavro-prog's
// whole-file reader and the HEX writer alike.
//
// A record is ':' count(2) address(4) type(2) data(2*count) checksum(2) in hex digits of either
// case; the checksum makes the sum of all its bytes 0 modulo 256. Both readers decode every record
// here and place its bytes through one Placer, so a record means the same to both: data (00) at
// its address plus the extended base; an extended segment (02, base = value * 16) or linear (04,
// base = value << 16) address record moves the records after it; start addresses (03, 05) hold no
// memory data; end of file (01) and any record with count 0 end the file. A fault is a record that
// is not hex, is cut short, has digits after its checksum, a wrong checksum, an unknown type, a
// malformed address record, data beyond the memory, or a value for an address that an earlier
// record gave another value.
//
// Where the two readers differ, they do by design: the console echoes each field as it reads,
// writes a record once it is placed and stops at the first fault, having written the records
// before it; it skips anything between records, as its ':' search does. tavro-prog checks the
// whole file first and refuses it at any fault, a line that is not a record included, so the chip
// is written all or not at all.
namespace IntelHex {

enum Type : quint8 {
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegmentAddress = 0x02,
    StartSegmentAddress = 0x03,
    ExtendedLinearAddress = 0x04,
    StartLinearAddress = 0x05,
};

struct Record
{
    quint8 type = Data;
    quint16 offset = 0; // the address field
    QByteArray data;    // count bytes
};

struct Fault
{
    bool checksum = false; // the record is whole, but its checksum is wrong
    QString reason;
};

// The checksum byte that completes these bytes (count, address, type and data).
quint8 checksum(QByteArrayView bytes);

// The text of one record after its ':' up to its line end (blanks and CR at the end are allowed).
std::variant<Record, Fault> decode(QByteArrayView text);

// ":" and the digits of one record, upper case, without a line end.
QByteArray encode(const Record &record);

// Where a file's records put their bytes, record after record.
class Placer
{
public:
    struct Placed
    {
        enum Kind { Bytes, Base, Start, End } kind = Bytes;
        quint32 address = 0; // Bytes: of the first byte; Base: the new base
        QByteArray data;     // Bytes: the bytes, at address, address + 1, ...
    };

    explicit Placer(quint32 lastAddress)
        : m_lastAddress(lastAddress)
    {}

    // The record's place, or the fault that keeps its bytes out. `line` names the record in a
    // later fault message about one of its addresses. Nothing of a faulty record is kept.
    std::variant<Placed, Fault> place(const Record &record, int line);
    // The text of one record after its ':', decoded and placed.
    std::variant<Placed, Fault> place(QByteArrayView text, int line);

    // Every byte placed so far, by address.
    std::map<quint32, quint8> bytes() const;

private:
    struct Cell
    {
        quint8 value;
        int line;
    };
    std::optional<Fault> placeData(const Record &record, int line);
    quint64 at(quint16 offset, int i) const;

    quint32 m_lastAddress;
    quint64 m_base = 0;
    bool m_segmented = false;
    std::map<quint32, Cell> m_cells;
};

} // namespace IntelHex
