#include "terminal/EventWait.h"

#include <QCoreApplication>
#include <QTimer>

void waitForEvents(int maxMs)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
