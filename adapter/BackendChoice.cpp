// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter/BackendChoice.h"

#include <QObject>

BackendChoice BackendChoice::make(const BitbangOffer &offer)
{
    BackendChoice choice;
    const bool forced = offer.wish == QLatin1String("ftdi");
    if (!offer.worthTrying())
        return choice;
    QString why;
    std::unique_ptr<FtdiBus> bus = offer.opener ? offer.opener(&why) : nullptr;
    if (!offer.opener)
        why = QObject::tr("%1 is no FTDI chip with synchronous bit-bang").arg(offer.device);
    if (bus) {
        auto hold = std::make_unique<FtdiHold>(std::move(bus));
        if (const Failure failure = hold->backend().begin())
            why = *failure;
        else
            choice.ftdi = std::move(hold);
    }
    if (choice.ftdi)
        return choice;
    if (forced)
        choice.stop = why + QObject::tr(" (--backend ftdi; --backend lines uses the port's modem lines)");
    else
        choice.fellBack = why + QObject::tr("; programming through the port's modem lines instead");
    return choice;
}
