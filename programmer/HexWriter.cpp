// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/HexWriter.h"

#include "programmer/IntelHex.h"

#include <algorithm>

namespace {
constexpr int kRecordLength = 16;
} // namespace

namespace HexWriter {

QByteArray toIntelHex(quint32 firstAddress, const QByteArray &bytes)
{
    QByteArray out;
    auto append = [&out](const IntelHex::Record &record) { out += IntelHex::encode(record) + '\n'; };
    quint64 address = firstAddress;
    quint64 upper = 0; // what a reader assumes before any address record
    qsizetype i = 0;
    while (i < bytes.size()) {
        if ((address >> 16) != upper) {
            upper = address >> 16;
            const char base[2] = {char(upper >> 8), char(upper & 0xFF)};
            append({IntelHex::ExtendedLinearAddress, 0, QByteArray(base, 2)});
        }
        // A record never crosses a 64 KiB boundary: its offset field could not say so.
        const int room = int(0x10000 - (address & 0xFFFF));
        const int count = int(std::min<qsizetype>({kRecordLength, room, bytes.size() - i}));
        append({IntelHex::Data, quint16(address & 0xFFFF), bytes.mid(i, count)});
        address += quint64(count);
        i += count;
    }
    append({IntelHex::EndOfFile, 0, {}});
    return out;
}

} // namespace HexWriter
