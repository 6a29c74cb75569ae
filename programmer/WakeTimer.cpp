// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/WakeTimer.h"

#include <algorithm>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {
constexpr qint64 kNsPerSecond = 1000000000;
constexpr qint64 kNsPerMs = 1000000;
constexpr qint64 kMaxLeadNs = 200000; // a stall must not teach it to wake far too early
constexpr std::size_t kLeadRank = 3;

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * kNsPerSecond + now.tv_nsec;
}
} // namespace

WakeTimer::WakeTimer(QObject *parent)
    : QObject(parent)
    , m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
#ifdef Q_OS_LINUX
    // Every wake-up would otherwise come up to the kernel's default 50 us late; the thread only
    // ever sleeps for events.
    prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &WakeTimer::woken);
    }
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, [this] {
        m_dueNs = -1;
        emit timeout();
    });
}

WakeTimer::~WakeTimer()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeTimer::start(std::chrono::nanoseconds length)
{
    m_dueNs = monotonicNs() + length.count();
    if (m_fd < 0) {
        m_fallback.start(int((length.count() + kNsPerMs - 1) / kNsPerMs));
        return;
    }
    arm(m_dueNs - lead());
}

void WakeTimer::stop()
{
    m_dueNs = -1;
    m_fallback.stop();
    if (m_fd >= 0) {
        const itimerspec disarmed{};
        ::timerfd_settime(m_fd, 0, &disarmed, nullptr);
    }
}

void WakeTimer::arm(qint64 atNs)
{
    m_armedNs = atNs;
    itimerspec at{};
    at.it_value.tv_sec = atNs / kNsPerSecond;
    at.it_value.tv_nsec = atNs % kNsPerSecond;
    if (at.it_value.tv_sec == 0 && at.it_value.tv_nsec == 0)
        at.it_value.tv_nsec = 1; // zero would disarm it
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &at, nullptr);
}

qint64 WakeTimer::lead() const
{
    // About the tenth fastest wake-up in a hundred: an early one costs a second wake-up, so only
    // a few may be.
    std::array<qint64, kKeptLateness> lateness = m_lateness;
    std::nth_element(lateness.begin(), lateness.begin() + kLeadRank, lateness.end());
    return std::min(lateness[kLeadRank], kMaxLeadNs);
}

void WakeTimer::woken()
{
    quint64 expirations = 0;
    if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations || m_dueNs < 0)
        return; // disarmed after it fired, before this read
    const qint64 now = monotonicNs();
    m_lateness[m_nextLateness] = now - m_armedNs;
    m_nextLateness = (m_nextLateness + 1) % m_lateness.size();
    if (now < m_dueNs) {
        arm(m_dueNs); // woke before its time: the rest without a lead
        return;
    }
    m_dueNs = -1;
    emit timeout();
}
