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
        choice.stop = why + QObject::tr(" (%1; %2 uses the port's modem lines)").arg(offer.askedBy, offer.linesInstead);
    else
        choice.fellBack = why + QObject::tr("; programming through the port's modem lines instead");
    return choice;
}

BackendChoice BackendChoice::take(const BitbangOffer &offer, const std::function<void()> &lend,
                                  const std::function<Failure()> &takeBack)
{
    if (!offer.worthTrying())
        return {};
    lend();
    BackendChoice choice = make(offer);
    if (choice.ftdi)
        return choice;
    if (Failure failure = takeBack(); failure && !choice.stop)
        choice.stop = failure;
    return choice;
}

QString BitbangOffer::summary() const
{
    if (wish == QLatin1String("lines"))
        return QObject::tr("Programs through the modem lines (lines, as the port map asks)");
    if (opener)
        return QObject::tr("Programs through the FTDI chip's synchronous bit-bang (%1)").arg(wish);
    if (wish == QLatin1String("ftdi"))
        return QObject::tr("Cannot program: the port map asks for ftdi, but this is no FTDI chip with bit-bang");
    return QObject::tr("Programs through the modem lines (no FTDI chip with bit-bang)");
}
