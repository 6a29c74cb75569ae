// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/IntelHex.h"

#include "common/Hex.h"

#include <QObject>

namespace IntelHex {
namespace {

using Hex::digits;

int digitValue(char c)
{
    return Hex::digitValue(QLatin1Char(c));
}

// A control or non-ASCII byte would garble the message line.
QString shown(char c)
{
    if (c > ' ' && c < 127)
        return QStringLiteral("'%1'").arg(QLatin1Char(c));
    return QStringLiteral("byte %1").arg(digits(quint8(c), 2));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

Fault fault(const QString &reason)
{
    return {false, reason};
}

} // namespace

quint8 checksum(QByteArrayView bytes)
{
    quint8 sum = 0;
    for (char c : bytes)
        sum = quint8(sum + quint8(c));
    return quint8(-sum);
}

std::variant<Record, Fault> decode(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    for (qsizetype i = 0; i < text.size(); ++i)
        if (digitValue(text[i]) < 0)
            return fault(QObject::tr("%1 is not a hex digit (column %2)").arg(shown(text[i])).arg(i + 2));
    if (text.size() % 2 != 0)
        return fault(QObject::tr("odd number of hex digits (%1)").arg(text.size()));
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); i += 2)
        bytes.append(char(digitValue(text[i]) * 16 + digitValue(text[i + 1])));
    if (bytes.size() < 5)
        return fault(QObject::tr("record too short (%1 bytes, at least 5 needed)").arg(bytes.size()));
    const int count = quint8(bytes[0]);
    if (bytes.size() - 5 < count)
        return fault(QObject::tr("byte count %1 but the record holds %2 data bytes").arg(count).arg(bytes.size() - 5));
    if (bytes.size() - 5 > count)
        return fault(QObject::tr("%1 digits after the checksum").arg(2 * (bytes.size() - 5 - count)));
    const quint8 expected = checksum(QByteArrayView(bytes).first(bytes.size() - 1));
    if (quint8(bytes.back()) != expected)
        return Fault{true, QObject::tr("bad checksum %1, the record's bytes need %2")
                               .arg(digits(quint8(bytes.back()), 2), digits(expected, 2))};
    return Record{quint8(bytes[3]), quint16(quint8(bytes[1]) * 256 + quint8(bytes[2])), bytes.sliced(4, count)};
}

QByteArray encode(const Record &record)
{
    QByteArray bytes;
    bytes.append(char(record.data.size()));
    bytes.append(char(record.offset >> 8));
    bytes.append(char(record.offset & 0xFF));
    bytes.append(char(record.type));
    bytes.append(record.data);
    bytes.append(char(checksum(bytes)));
    return ':' + bytes.toHex().toUpper();
}

std::variant<Placer::Placed, Fault> Placer::place(const Record &record, int line)
{
    const int count = int(record.data.size());
    if (count == 0)
        return Placed{Placed::End, 0, {}};
    switch (record.type) {
    case Data:
        if (std::optional<Fault> f = placeData(record, line))
            return *f;
        return Placed{Placed::Bytes, quint32(at(record.offset, 0)), record.data};
    case EndOfFile:
        return fault(QObject::tr("end-of-file record with %1 data bytes").arg(count));
    case ExtendedSegmentAddress:
    case ExtendedLinearAddress: {
        if (count != 2 || record.offset != 0)
            return fault(QObject::tr("extended address record needs 2 data bytes and address 0000"));
        const quint64 value = quint8(record.data[0]) * 256 + quint8(record.data[1]);
        m_segmented = record.type == ExtendedSegmentAddress;
        m_base = m_segmented ? value * 16 : value << 16;
        return Placed{Placed::Base, quint32(m_base), {}};
    }
    case StartSegmentAddress:
    case StartLinearAddress:
        if (count != 4)
            return fault(QObject::tr("start address record needs 4 data bytes"));
        return Placed{Placed::Start, 0, {}};
    default:
        return fault(QObject::tr("unknown record type %1").arg(digits(record.type, 2)));
    }
}

std::variant<Placer::Placed, Fault> Placer::place(QByteArrayView text, int line)
{
    auto decoded = decode(text);
    if (auto *f = std::get_if<Fault>(&decoded))
        return *f;
    return place(std::get<Record>(decoded), line);
}

quint64 Placer::at(quint16 offset, int i) const
{
    // A segment wraps within its 64 KiB; a linear address runs on.
    return m_segmented ? m_base + quint16(offset + i) : m_base + offset + quint64(i);
}

std::optional<Fault> Placer::placeData(const Record &record, int line)
{
    const int count = int(record.data.size());
    for (int i = 0; i < count; ++i) {
        const quint64 address = at(record.offset, i);
        if (address > m_lastAddress)
            return fault(QObject::tr("data for address %1, beyond the last address %2")
                             .arg(digits(address, 4), digits(m_lastAddress, 4)));
        const auto it = m_cells.find(quint32(address));
        if (it != m_cells.end() && it->second.value != quint8(record.data[i]))
            return fault(QObject::tr("address %1 is given %2 here but %3 on line %4")
                             .arg(digits(address, 4), digits(quint8(record.data[i]), 2), digits(it->second.value, 2))
                             .arg(it->second.line));
    }
    for (int i = 0; i < count; ++i)
        m_cells.try_emplace(quint32(at(record.offset, i)), Cell{quint8(record.data[i]), line});
    return std::nullopt;
}

std::map<quint32, quint8> Placer::bytes() const
{
    std::map<quint32, quint8> out;
    for (const auto &[address, cell] : m_cells)
        out.emplace_hint(out.end(), address, cell.value);
    return out;
}

} // namespace IntelHex
