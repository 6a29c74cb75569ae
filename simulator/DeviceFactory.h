// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/BackendChoice.h"
#include "serial/MSComm.h"
#include "serial/PortMap.h"
#include "simulator/SimulatedChip.h"

#include <memory>

// Opens what the port map names: the simulated board, a network port's URL, or a real device path.
MSComm::DeviceFactory makeDeviceFactory(PortMap map, std::shared_ptr<SimulatedChip> chip);
// What each port offers the programmer besides its modem lines, as the map and sysfs say.
std::function<BitbangOffer(int port)> makeBitbangFactory(PortMap map);
