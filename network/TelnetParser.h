// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Reads what a Telnet server sends: data, with IAC IAC taken as one data byte 0xFF, and the
// commands among it, which go to a handler as they complete. Input may be cut anywhere; the
// parser keeps its place between calls.
//
// Nothing grows with what a server sends: a subnegotiation's value is kept up to
// kMaxSubnegotiation bytes and a longer one is read to its end and dropped, so one that never
// ends swallows what follows without holding it. Commands without a meaning here (NOP, GA,
// data mark, ...) are read and dropped. IAC inside a subnegotiation followed by anything but
// IAC or SE ends the subnegotiation, dropped, and starts that command.
class TelnetParser
{
public:
    static constexpr qsizetype kMaxSubnegotiation = 256;

    class Handler
    {
    public:
        virtual ~Handler() = default;
        // WILL, WONT, DO or DONT, with its option.
        virtual void negotiation(quint8 verb, quint8 option) = 0;
        // A whole subnegotiation, its value with IAC IAC undoubled.
        virtual void subnegotiation(quint8 option, QByteArrayView value) = 0;
    };

    // Appends the data among bytes to data.
    void feed(QByteArrayView bytes, QByteArray &data, Handler &handler);
    // Back to plain data, as at the start of a connection.
    void reset() { *this = {}; }

private:
    enum class State { Data, Command, Option, SubOption, SubValue, SubCommand };

    void command(quint8 byte, QByteArray &data);
    void subValue(quint8 byte);

    State m_state = State::Data;
    quint8 m_verb = 0;
    quint8 m_subOption = 0;
    QByteArray m_value;
    bool m_overlong = false; // the value went beyond the bound: dropped at its end
};
