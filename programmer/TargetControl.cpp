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

Failure TargetControl::release()
{
    Failure first;
    for (const auto &[line, level] : kReleased)
        if (Failure failure = m_driver.setLine(line, level); failure && !first)
            first = failure;
    if (m_byHand)
        if (Failure failure = m_byHand->end(); failure && !first)
            first = failure;
    m_byHand.reset();
    return first;
}

Failure TargetControl::pulseReset()
{
    LinesByHand byHand(m_comm);
    Failure failure = byHand.failure();
    if (!failure)
        failure = m_driver.setLine(Line::DTR, true);
    if (!failure) {
        m_driver.Delay(kResetPulseMs);
        failure = m_driver.setLine(Line::DTR, false);
    }
    if (!failure)
        m_driver.Delay(kFirmwareStartMs);
    if (Failure restored = byHand.end(); !failure)
        failure = restored;
    return failure;
}
