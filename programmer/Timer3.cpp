// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/Timer3.h"

Timer3::Timer3(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &WakeTimer::timeout, this, &Timer3::Timer3_Timer);
}

void Timer3::setEnabled(bool on)
{
    if (on && m_interval >= 1)
        m_timer.start(std::chrono::milliseconds(m_interval));
    else
        m_timer.stop();
}

void Timer3::start(std::chrono::nanoseconds length)
{
    m_interval = int(std::chrono::ceil<std::chrono::milliseconds>(length).count());
    if (m_interval >= 1)
        m_timer.start(length);
    else
        m_timer.stop();
}

void Timer3::Timer3_Timer()
{
    m_timer.stop();
    m_interval = 0;
}
