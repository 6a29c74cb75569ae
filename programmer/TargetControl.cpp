#include "programmer/TargetControl.h"

#include "programmer/LineDriver.h"
#include "serial/MSComm.h"

Failure TargetControl::holdInReset()
{
    if (Failure failure = m_comm.setBreak(false))
        return failure;
    if (Failure failure = m_comm.setRTSEnable(false))
        return failure;
    return m_comm.setDTREnable(true);
}

void TargetControl::release()
{
    (void)m_comm.setBreak(false);
    (void)m_comm.setRTSEnable(false);
    (void)m_comm.setDTREnable(false);
}

Failure TargetControl::pulseReset()
{
    if (Failure failure = m_comm.setDTREnable(true))
        return failure;
    m_driver.Delay(kResetPulseMs);
    if (Failure failure = m_comm.setDTREnable(false))
        return failure;
    m_driver.Delay(kFirmwareStartMs);
    return std::nullopt;
}
