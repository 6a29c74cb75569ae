#include "programmer/TargetControl.h"

#include "programmer/LineDriver.h"

using Line = MSComm::Line;

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
    for (const auto &[line, level] :
         {std::pair{Line::Break, false}, {Line::RTS, false}, {Line::DTR, false}, {Line::DTR, true}})
        if (Failure failure = m_driver.setLine(line, level))
            return failure;
    m_lostStep = false;
    return std::nullopt;
}

void TargetControl::release()
{
    (void)m_driver.setLine(Line::Break, false);
    (void)m_driver.setLine(Line::RTS, false);
    (void)m_driver.setLine(Line::DTR, false);
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
