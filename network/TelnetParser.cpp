// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/TelnetParser.h"

#include "network/Telnet.h"

void TelnetParser::feed(QByteArrayView bytes, QByteArray &data, Handler &handler)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (m_state == State::Data) {
            // Data comes in runs between commands: taken whole, not byte by byte.
            qsizetype iac = bytes.indexOf(char(Telnet::kIac), at);
            if (iac < 0)
                iac = bytes.size();
            data.append(bytes.sliced(at, iac - at));
            at = iac;
            if (at < bytes.size()) {
                m_state = State::Command;
                ++at;
            }
            continue;
        }
        const quint8 byte = quint8(bytes[at++]);
        switch (m_state) {
        case State::Command:
            command(byte, data);
            break;
        case State::Option:
            m_state = State::Data;
            handler.negotiation(m_verb, byte);
            break;
        case State::SubOption:
            m_subOption = byte;
            m_value.clear();
            m_overlong = false;
            m_state = State::SubValue;
            break;
        case State::SubValue:
            if (byte == Telnet::kIac)
                m_state = State::SubCommand;
            else
                subValue(byte);
            break;
        case State::SubCommand:
            if (byte == Telnet::kIac) {
                subValue(byte);
                m_state = State::SubValue;
            } else if (byte == Telnet::kSe) {
                m_state = State::Data;
                if (!m_overlong)
                    handler.subnegotiation(m_subOption, m_value);
                m_value.clear();
            } else {
                m_value.clear(); // unterminated: dropped, and this byte is the command it gave way to
                command(byte, data);
            }
            break;
        case State::Data:
            break;
        }
    }
}

void TelnetParser::command(quint8 byte, QByteArray &data)
{
    m_state = State::Data;
    if (byte == Telnet::kIac)
        data.append(char(byte));
    else if (byte >= Telnet::kWill) {
        m_verb = byte;
        m_state = State::Option;
    } else if (byte == Telnet::kSb)
        m_state = State::SubOption;
}

void TelnetParser::subValue(quint8 byte)
{
    if (m_value.size() < kMaxSubnegotiation)
        m_value.append(char(byte));
    else
        m_overlong = true;
}
