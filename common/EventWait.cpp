// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/EventWait.h"

#include <QCoreApplication>
#include <QTimer>

namespace EventWait {

void pending()
{
    QCoreApplication::processEvents();
}

void next()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void next(int maxMs)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    next();
}

} // namespace EventWait
