// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/DeviceFactory.h"

#include "adapter/LibFtdiBus.h"
#include "serial/TtyDevice.h"
#include "simulator/SimulatedBoard.h"

MSComm::DeviceFactory makeDeviceFactory(PortMap map, std::shared_ptr<SimulatedChip> chip)
{
    return [map = std::move(map), chip = std::move(chip)](int port, QString *error) -> std::unique_ptr<SerialDevice> {
        const QString path = map.devicePath(port);
        if (path.isEmpty()) {
            *error = QObject::tr("Com%1 names no device: %2").arg(port).arg(map.describe(port));
            return nullptr;
        }
        std::unique_ptr<SerialDevice> device;
        if (path == PortMap::kSimulatedBoard) {
            auto board = std::make_unique<SimulatedBoard>(chip);
            board->keepChipIn(SimulatedChip::defaultFolder());
            device = std::move(board);
        } else {
            device = std::make_unique<TtyDevice>(path, map.label(port));
        }
        device->setSettleUs(map.settleUs(port));
        return device;
    };
}

std::function<BitbangOffer(int port)> makeBitbangFactory(PortMap map)
{
    return [map = std::move(map)](int port) {
        return BitbangOffer{map.backend(port), LibFtdiBus::openerFor(map.devicePath(port)), map.describe(port)};
    };
}
