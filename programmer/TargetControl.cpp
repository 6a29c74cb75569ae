// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/TargetControl.h"

#include "programmer/LineDriver.h"

using Line = MSComm::Line;

namespace {
// Break, RTS and DTR off: the lines as a released target sees them.
constexpr std::pair<Line, bool> kReleased[] = {{Line::Break, false}, {Line::RTS, false}, {Line::DTR, false}};
} // namespace

Failure TargetControl::ready() const
{
    return m_driver.ready();
}

Failure TargetControl::holdInReset()
{
    m_lostStep = true; // until the frame is clean
    if (!m_byHand) {
        m_byHand.emplace(m_comm);
        if (Failure failure = m_byHand->failure()) {
            m_byHand.reset();
            return failure;
        }
    }
    for (const auto &[line, level] : kReleased)
        if (Failure failure = m_driver.setLine(line, level))
            return failure;
    if (Failure failure = m_driver.setLine(Line::DTR, true))
        return failure;
    m_lostStep = false;
    return std::nullopt;
}

void TargetControl::release()
{
    for (const auto &[line, level] : kReleased)
        (void)m_driver.setLine(line, level);
    m_byHand.reset();
}

Failure TargetControl::pulseReset()
{
    const LinesByHand byHand(m_comm);
    if (byHand.failure())
        return byHand.failure();
    if (Failure failure = m_driver.setLine(Line::DTR, true))
        return failure;
    m_driver.Delay(kResetPulseMs);
    if (Failure failure = m_driver.setLine(Line::DTR, false))
        return failure;
    m_driver.Delay(kFirmwareStartMs);
    return std::nullopt;
}
