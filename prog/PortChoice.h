// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/BackendChoice.h"
#include "serial/MSComm.h"

#include <optional>

class PortMap;

// The device behind --port, as the terminal's serial control opens it.
struct PortChoice
{
    int number = 1; // the port number the control is set to
    MSComm::DeviceFactory factory;
    QString name;                             // for messages: "Com3" or the path given
    QString device;                           // what stands behind it: path and description
    FtdiOpener ftdi;                          // none: no FTDI chip with synchronous bit-bang
    QString backend = QStringLiteral("auto"); // as the port map asks
    QString path;                             // the device's path or URL, or the simulated board's name
};

// Whether the port is "ComN" or "simulated-board", which the port map says what they stand for.
bool goesThroughPortMap(const QString &text);

// "ComN" (1 to 16, as the command line has checked) goes through the terminal's port map, "simulated-board" to the port
// the map gives the built-in board, rfc2217:// and socket:// to a network port, anything else is taken as a device
// path.
// sysRoot: where sysfs tells what a device is.
std::optional<PortChoice> choosePort(const QString &text, const PortMap &map, QString *error,
                                     const QString &sysRoot = QStringLiteral("/sys"));
