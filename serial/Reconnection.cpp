// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/Reconnection.h"

#include "serial/MSComm.h"

Reconnection::Reconnection(MSComm &comm, std::function<bool()> mayReopen, QObject *parent)
    : QObject(parent)
    , m_comm(comm)
    , m_mayReopen(std::move(mayReopen))
{
    m_look.setInterval(kLookEveryMs);
    connect(&m_look, &QTimer::timeout, this, &Reconnection::look);
}

void Reconnection::begin()
{
    m_lastFailure.clear();
    m_port = m_comm.CommPort();
    m_look.start();
}

bool Reconnection::waiting() const
{
    return m_look.isActive() && m_comm.CommPort() == m_port;
}

void Reconnection::cancel()
{
    m_look.stop();
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
    if (Failure failure = m_comm.open()) {
        if (*failure != m_lastFailure)
            emit tryFailed(m_lastFailure = *failure);
        return;
    }
    m_look.stop();
    emit reopened();
}
