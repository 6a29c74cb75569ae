// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter/BackendChoice.h"

#include <QObject>

BackendChoice BackendChoice::make(const QString &wish, const FtdiOpener &opener, const QString &device)
{
    BackendChoice choice;
    const bool forced = wish == QLatin1String("ftdi");
    if (wish == QLatin1String("lines") || (!opener && !forced))
        return choice;
    QString why;
    std::unique_ptr<FtdiBus> bus = opener ? opener(&why) : nullptr;
    if (!opener)
        why = QObject::tr("%1 is no FTDI chip with synchronous bit-bang").arg(device);
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
