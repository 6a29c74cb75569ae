// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Telnet's bytes as a serial-port server speaks them, and the encoder of what we send: a data
// byte 0xFF goes as IAC IAC, in data and inside a subnegotiation's value alike.
namespace Telnet {

enum : quint8 {
    kSe = 240,   // end of a subnegotiation
    kSb = 250,   // start of a subnegotiation
    kWill = 251, // the sender offers (or agrees) to use an option on its side
    kWont = 252,
    kDo = 253, // the sender asks (or agrees) that the receiver use an option
    kDont = 254,
    kIac = 255, // "interpret as command": every command starts with it
};

enum Option : quint8 {
    kBinary = 0,
    kSuppressGoAhead = 3,
    kComPort = 44,
};

// Data with every 0xFF doubled.
QByteArray escaped(QByteArrayView data);
// IAC <verb> <option>.
QByteArray negotiation(quint8 verb, quint8 option);
// IAC SB <option> <value, escaped> IAC SE.
QByteArray subnegotiation(quint8 option, QByteArrayView value);

} // namespace Telnet
