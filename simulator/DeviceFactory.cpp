// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/DeviceFactory.h"

#include "adapter/LibFtdiBus.h"
#include "network/NetworkDevice.h"
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
        } else if (NetworkAddress::isUrl(path)) {
            const std::optional<NetworkAddress> address = NetworkAddress::parse(path, error);
            if (!address)
                return nullptr;
            device = std::make_unique<NetworkDevice>(*address);
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
        const QString key = QStringLiteral("Com%1Backend").arg(port);
        return BitbangOffer{map.backend(port), LibFtdiBus::openerFor(map.devicePath(port)), map.describe(port),
                            QStringLiteral("%1=ftdi in the port map").arg(key), key + QStringLiteral("=lines")};
    };
}
