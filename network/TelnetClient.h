// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "network/ComPortOption.h"
#include "network/TelnetOptions.h"
#include "network/TelnetParser.h"

// The client's side of one Telnet connection to a serial-port server, without the connection:
// what arrives is split into data, negotiation (answered) and the COM-PORT option's answers
// (kept); what we send is data escaped and commands whole.
class TelnetClient : private TelnetParser::Handler
{
public:
    // What to send first: the options we want.
    QByteArray start() { return m_options.start(); }
    // Appends the data among bytes to data; returns what is to be sent back, often nothing.
    QByteArray receive(QByteArrayView bytes, QByteArray &data);

    const TelnetOptions &options() const { return m_options; }
    const ComPortOption &comPort() const { return m_comPort; }
    ComPortOption &comPort() { return m_comPort; }

private:
    void negotiation(quint8 verb, quint8 option) override;
    void subnegotiation(quint8 option, QByteArrayView value) override;

    TelnetParser m_parser;
    TelnetOptions m_options;
    ComPortOption m_comPort;
    QByteArray m_replies; // while receiving
};
