#include "programmer/Timer3.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

Timer3::Timer3(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
#ifdef Q_OS_LINUX
    // Every wake-up would otherwise come up to the kernel's default 50 us late; the chip's
    // 2 ms and 3 ms waits are thousands of them, and the thread only ever sleeps for events.
    prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    connect(&m_timer, &QTimer::timeout, this, &Timer3::Timer3_Timer);
}

void Timer3::setEnabled(bool on)
{
    if (on && m_interval >= 1)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void Timer3::Timer3_Timer()
{
    m_timer.stop();
    m_interval = 0;
}
