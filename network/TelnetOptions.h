// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <array>

// Our side of Telnet's option negotiation as the client of a serial-port server. We use the
// COM-PORT option and binary transmission on our side, and want binary transmission and
// suppressed go-ahead on the server's; everything else is refused.
//
// Each option has a state per side (no, asked, yes) and a request is answered only when it
// changes that state or is refused, so two parties never answer each other in a loop. A server
// that keeps flipping an option or asking the same thing gets at most kMaxAnswers answers
// about it, then silence: what we send back stays bounded whatever it sends.
class TelnetOptions
{
public:
    static constexpr int kMaxAnswers = 4;

    // What we ask for first: WILL COM-PORT, WILL BINARY, DO BINARY, DO SUPPRESS-GO-AHEAD.
    QByteArray start();
    // The answer to one WILL, WONT, DO or DONT from the server; empty when none is due.
    QByteArray answer(quint8 verb, quint8 option);

    // The server refused the COM-PORT option: the port's settings and lines are its own.
    bool comPortRefused() const { return m_comPortRefused; }

private:
    enum class State : quint8 { No, Asked, Yes };
    struct Side
    {
        State state = State::No;
        quint8 answers = 0;
    };

    // A request that moves one side of an option; wanted: whether we agree to yes.
    QByteArray move(Side &side, bool toYes, bool wanted, quint8 yesVerb, quint8 noVerb, quint8 option);

    std::array<Side, 256> m_ours;   // options on our side: the server says DO and DONT
    std::array<Side, 256> m_theirs; // options on its side: the server says WILL and WONT
    bool m_comPortRefused = false;
};
