// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/TelnetOptions.h"

#include "network/Telnet.h"

namespace {

bool weUse(quint8 option)
{
    return option == Telnet::kComPort || option == Telnet::kBinary || option == Telnet::kSuppressGoAhead;
}

bool weWantFromServer(quint8 option)
{
    return option == Telnet::kBinary || option == Telnet::kSuppressGoAhead;
}

} // namespace

QByteArray TelnetOptions::start()
{
    m_ours[Telnet::kComPort].state = State::Asked;
    m_ours[Telnet::kBinary].state = State::Asked;
    m_theirs[Telnet::kBinary].state = State::Asked;
    m_theirs[Telnet::kSuppressGoAhead].state = State::Asked;
    return Telnet::negotiation(Telnet::kWill, Telnet::kComPort) + Telnet::negotiation(Telnet::kWill, Telnet::kBinary)
           + Telnet::negotiation(Telnet::kDo, Telnet::kBinary)
           + Telnet::negotiation(Telnet::kDo, Telnet::kSuppressGoAhead);
}

QByteArray TelnetOptions::answer(quint8 verb, quint8 option)
{
    switch (verb) {
    case Telnet::kDo:
    case Telnet::kDont: {
        const bool toYes = verb == Telnet::kDo;
        if (option == Telnet::kComPort && !toYes && m_ours[option].state != State::No)
            m_comPortRefused = true;
        return move(m_ours[option], toYes, weUse(option), Telnet::kWill, Telnet::kWont, option);
    }
    case Telnet::kWill:
    case Telnet::kWont:
        return move(m_theirs[option], verb == Telnet::kWill, weWantFromServer(option), Telnet::kDo, Telnet::kDont,
                    option);
    default:
        return {};
    }
}

QByteArray TelnetOptions::move(Side &side, bool toYes, bool wanted, quint8 yesVerb, quint8 noVerb, quint8 option)
{
    if (side.answers >= kMaxAnswers)
        return {};
    const State was = side.state;
    quint8 reply = 0;
    if (toYes) {
        side.state = wanted ? State::Yes : State::No;
        if (was == State::No)
            reply = wanted ? yesVerb : noVerb; // agreed, or refused
    } else {
        side.state = State::No;
        if (was == State::Yes)
            reply = noVerb; // acknowledged; a refusal of what we asked needs none
    }
    if (reply == 0)
        return {};
    ++side.answers;
    return Telnet::negotiation(reply, option);
}
