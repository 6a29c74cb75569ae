// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>

// The one-shot millisecond timer the sender paces itself by. In the window this is the
// shared Timer3 (wrap it in PacingTimerOf); a wait is over when the timer has ticked.
class PacingTimer
{
public:
    virtual ~PacingTimer() = default;
    virtual void start(int ms) = 0; // set the interval and enable
    virtual void setEnabled(bool on) = 0;
    virtual bool isRunning() const = 0; // until the tick after start
};

// Any timer with the shared timer's members: start(ms), setEnabled(on), isRunning().
template <class Timer>
class PacingTimerOf : public PacingTimer
{
public:
    explicit PacingTimerOf(Timer &timer)
        : m_timer(timer)
    {}
    void start(int ms) override { m_timer.start(ms); }
    void setEnabled(bool on) override { m_timer.setEnabled(on); }
    bool isRunning() const override { return m_timer.isRunning(); }

private:
    Timer &m_timer;
};

// A timer of its own, for the sender outside the window (tests, benchmarks).
class OwnPacingTimer : public PacingTimer
{
public:
    OwnPacingTimer()
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { m_interval = 0; });
    }
    void start(int ms) override
    {
        m_interval = ms;
        setEnabled(true);
    }
    void setEnabled(bool on) override
    {
        if (on && m_interval > 0)
            m_timer.start(m_interval);
        else
            m_timer.stop();
    }
    bool isRunning() const override { return m_interval >= 1; }

private:
    QTimer m_timer;
    int m_interval = 0;
};
