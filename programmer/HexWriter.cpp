#include "programmer/HexWriter.h"

#include <algorithm>

namespace {

constexpr int kRecordLength = 16;

void appendRecord(QByteArray &out, quint16 offset, quint8 type, const char *data, int count)
{
    QByteArray record;
    record.append(char(count));
    record.append(char(offset >> 8));
    record.append(char(offset & 0xFF));
    record.append(char(type));
    record.append(data, count);
    quint8 sum = 0;
    for (char c : record)
        sum = quint8(sum + quint8(c));
    record.append(char(quint8(-sum)));
    out += ':' + record.toHex().toUpper() + '\n';
}

} // namespace

namespace HexWriter {

QByteArray toIntelHex(quint32 firstAddress, const QByteArray &bytes)
{
    QByteArray out;
    quint64 address = firstAddress;
    quint64 upper = 0; // what a reader assumes before any address record
    qsizetype i = 0;
    while (i < bytes.size()) {
        if ((address >> 16) != upper) {
            upper = address >> 16;
            const char base[2] = {char(upper >> 8), char(upper & 0xFF)};
            appendRecord(out, 0, 0x04, base, 2);
        }
        // A record never crosses a 64 KiB boundary: its offset field could not say so.
        const int room = int(0x10000 - (address & 0xFFFF));
        const int count = int(std::min<qsizetype>({kRecordLength, room, bytes.size() - i}));
        appendRecord(out, quint16(address & 0xFFFF), 0x00, bytes.constData() + i, count);
        address += quint64(count);
        i += count;
    }
    appendRecord(out, 0, 0x01, nullptr, 0);
    return out;
}

} // namespace HexWriter
