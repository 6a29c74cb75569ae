// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/TelnetClient.h"

#include "network/Telnet.h"

QByteArray TelnetClient::receive(QByteArrayView bytes, QByteArray &data)
{
    m_parser.feed(bytes, data, *this);
    return std::exchange(m_replies, {});
}

void TelnetClient::negotiation(quint8 verb, quint8 option)
{
    m_replies += m_options.answer(verb, option);
}

void TelnetClient::subnegotiation(quint8 option, QByteArrayView value)
{
    if (option == Telnet::kComPort)
        m_comPort.take(value);
}
