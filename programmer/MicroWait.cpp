#include "programmer/MicroWait.h"

#include <QCoreApplication>

void MicroWait::wait(std::chrono::nanoseconds length)
{
    m_wake.start(length);
    while (m_wake.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
