// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <chrono>
#include <memory>

// A one-shot timer with nanosecond deadlines that wakes the event loop through a timerfd. Waking
// comes some tens of microseconds late, and the programmer waits thousands of times; so it asks
// to be woken early by about as much as waking has lately been late at its quickest, and times
// out only once the deadline has passed: as soon after it as the system allows, never before.
class WakeTimer : public QObject
{
    Q_OBJECT
public:
    explicit WakeTimer(QObject *parent = nullptr);
    ~WakeTimer() override;

    void start(std::chrono::nanoseconds length); // from now
    void stop();
    bool isActive() const { return m_dueNs >= 0; }

signals:
    void timeout();

private:
    void arm(qint64 atNs);
    void woken();
    qint64 lead() const; // how early to ask

    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_fallback; // without a timerfd: whole milliseconds, rounded up
    qint64 m_dueNs = -1;
    qint64 m_armedNs = 0;
    static constexpr std::size_t kKeptLateness = 32;
    std::array<qint64, kKeptLateness> m_lateness{}; // the last wake-ups, how late after the time asked for
    std::size_t m_nextLateness = 0;
};
