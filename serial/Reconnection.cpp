// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/Reconnection.h"

#include "serial/MSComm.h"

#include <algorithm>

Reconnection::Reconnection(MSComm &comm, std::function<bool()> mayReopen, QObject *parent)
    : QObject(parent)
    , m_comm(comm)
    , m_mayReopen(std::move(mayReopen))
{
    connect(&m_look, &QTimer::timeout, this, &Reconnection::look);
    connect(&m_comm, &MSComm::connected, this, &Reconnection::onConnected);
    connect(&m_comm, &MSComm::connectFailed, this, &Reconnection::onConnectFailed);
}

void Reconnection::begin()
{
    m_lastFailure.clear();
    m_port = m_comm.CommPort();
    m_connecting = false;
    const bool droppedSoon = m_reconnected.isValid() && !m_reconnected.hasExpired(kLastRetryMs);
    if (!droppedSoon)
        m_retryMs = kFirstRetryMs;
    m_look.start(droppedSoon ? nextRetryMs() : kLookEveryMs);
}

int Reconnection::nextRetryMs()
{
    return std::exchange(m_retryMs, std::min(2 * m_retryMs, kLastRetryMs));
}

bool Reconnection::waiting() const
{
    return (m_look.isActive() || m_connecting) && m_comm.CommPort() == m_port;
}

void Reconnection::cancel()
{
    m_look.stop();
    m_connecting = false;
    m_reconnected.invalidate();
}

void Reconnection::look()
{
    if (m_comm.PortOpen() || !waiting()) {
        m_look.stop(); // opened by hand meanwhile, or moved
        return;
    }
    if (!m_comm.devicePresent()) {
        // Something else where the device was is worth saying; nothing there is the wait itself.
        if (const QString instead = m_comm.deviceNotBackBecause(); instead != m_lastFailure)
            emit tryFailed(m_lastFailure = instead);
        return;
    }
    if (!m_mayReopen())
        return;
    // A device that has just come back may not let us in yet (its permissions are set a moment
    // later); the next look tries again.
    if (Failure failure = m_comm.open())
        return failed(*failure);
    m_look.stop();
    if (m_comm.connecting())
        m_connecting = true; // connected or connectFailed says how it went
    else
        emit reopened();
}

void Reconnection::onConnected()
{
    if (!std::exchange(m_connecting, false))
        return; // the user's own open
    m_lastFailure.clear();
    m_reconnected.start();
    emit reopened();
}

void Reconnection::onConnectFailed(const QString &why)
{
    if (!std::exchange(m_connecting, false))
        return;
    m_look.start(nextRetryMs());
    failed(why);
}

void Reconnection::failed(const QString &failure)
{
    if (failure != m_lastFailure)
        emit tryFailed(m_lastFailure = failure);
}
