#include "programmer/Timer3.h"

Timer3::Timer3(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
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
