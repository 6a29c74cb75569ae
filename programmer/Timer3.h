// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/WakeTimer.h"

#include <QObject>
#include <chrono>

// The one shared one-shot millisecond timer. Its interval doubles as the flag that a wait is
// still running: the tick sets it to 0, and every wait on it ends when it drops below 1.
class Timer3 : public QObject
{
    Q_OBJECT
public:
    explicit Timer3(QObject *parent = nullptr);

    void setEnabled(bool on);
    void start(int ms) { start(std::chrono::milliseconds(ms)); }
    // A wait of any length, as shortened waits are: the interval reads as its whole milliseconds,
    // rounded up, until the tick.
    void start(std::chrono::nanoseconds length);
    bool isRunning() const { return m_interval >= 1; }

    void Timer3_Timer();

private:
    WakeTimer m_timer;
    int m_interval = 0;
};
