#include "programmer/MicroWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

namespace {
constexpr qint64 kNsPerMs = 1000000;
} // namespace

MicroWait::MicroWait()
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
}

void MicroWait::wait(std::chrono::nanoseconds length)
{
    QElapsedTimer since;
    since.start();
    // Measured again after every pass: a handler run meanwhile may have restarted the timer.
    for (qint64 left = length.count(); left > 0; left = length.count() - since.nsecsElapsed()) {
        if (left < kNsPerMs) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(left));
            continue;
        }
        m_wake.start(int(left / kNsPerMs));
        while (m_wake.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
