// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// A serial port served over the network, as farm tools name one:
//   rfc2217://HOST:PORT   Telnet with the COM-PORT option (RFC 2217): speed, format and lines
//   socket://HOST:PORT    raw TCP: the bytes alone, the server keeps its port's settings
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1 to 65535.
struct NetworkAddress
{
    enum class Protocol { Rfc2217, RawTcp };

    Protocol protocol = Protocol::Rfc2217;
    QString host; // an IPv6 address without its brackets
    quint16 port = 0;

    // In the form above, the scheme in lower case.
    QString url() const;
    // host:port, as messages name the server.
    QString hostAndPort() const;

    // Whether a port's text is meant as a network address (it has a scheme), right or not: a
    // device path never is.
    static bool isUrl(const QString &text);
    // The address, or nothing and why, naming the text.
    static std::optional<NetworkAddress> parse(const QString &text, QString *error);
};
