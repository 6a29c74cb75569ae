// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prog/PortChoice.h"

#include <QTextStream>

struct RemotePort;

// tavro-prog probe on a network port: what the server says of itself and of its serial port
// (signature, the settings and lines it has in force, the modem state), asked without changing
// anything, and that the chip is not programmed from here.
class NetworkProbe
{
public:
    // How long the server has to answer once it accepted.
    static constexpr int kAnswerMs = 2000;

    explicit NetworkProbe(QTextStream &out)
        : m_out(out)
    {}

    // An exit status; why the server could not be asked, in failure.
    int run(const PortChoice &port, const MSComm::DeviceFactory &factory, QString &failure);

private:
    void report(const RemotePort &remote);

    QTextStream &m_out;
};
