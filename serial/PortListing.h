// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class PortMap;

// What "tavro-prog list" and "tavro-terminal --list" print: Com1 to Com16, each with the device
// it stands for and where that came from (the port map, the automatic order, the built-in
// simulated board), and what the system says the device is (driver, USB vendor:product, serial
// number, description, its stable link); then the port map's file and what it has to say.
// sysRoot and byIdFolder: where sysfs is mounted and udev keeps its stable links; tests give
// trees of their own.
QString portListing(const PortMap &map, const QString &sysRoot = QStringLiteral("/sys"),
                    const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));
