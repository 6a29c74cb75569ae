// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/ModemLines.h"

#include "common/EventWait.h"
#include "programmer/Timer3.h"

Failure ModemLines::run(std::span<const PinStep> steps, std::vector<bool> &samples)
{
    for (const PinStep &step : steps) {
        switch (step.kind) {
        case PinStep::Kind::Set:
            if (Failure failure = set(step.line, step.level))
                return failure;
            break;
        case PinStep::Kind::Sample:
            samples.push_back(m_comm.CTSHolding());
            break;
        case PinStep::Kind::Wait:
            wait(step.wait);
            break;
        }
    }
    return std::nullopt;
}

Failure ModemLines::ready() const
{
    return m_comm.PortOpen() ? std::nullopt : Failure(QObject::tr("The port is not open"));
}

Failure ModemLines::set(MSComm::Line line, bool level)
{
    if (m_comm.lineAt(line, level))
        return std::nullopt;
    if (Failure failure = m_comm.setLine(line, level))
        return failure;
    if (const int us = m_comm.settleUs(); us > 0)
        m_settleWait.wait(std::chrono::microseconds(us));
    return std::nullopt;
}

void ModemLines::wait(std::chrono::nanoseconds length)
{
    m_timer.start(length);
    if (!m_timer.isRunning())
        EventWait::pending();
    else // the timer's tick is an event
        EventWait::until([this] { return !m_timer.isRunning(); });
}
