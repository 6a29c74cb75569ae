// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/Telnet.h"

namespace Telnet {

QByteArray escaped(QByteArrayView data)
{
    const qsizetype doubled = data.count(char(kIac));
    if (doubled == 0)
        return data.toByteArray();
    QByteArray out;
    out.reserve(data.size() + doubled);
    for (const char c : data) {
        out += c;
        if (quint8(c) == kIac)
            out += c;
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    const char bytes[] = {char(kIac), char(verb), char(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray subnegotiation(quint8 option, QByteArrayView value)
{
    const char start[] = {char(kIac), char(kSb), char(option)};
    const char end[] = {char(kIac), char(kSe)};
    return QByteArray(start, sizeof start) + escaped(value) + QByteArray(end, sizeof end);
}

} // namespace Telnet
