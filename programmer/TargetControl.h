#pragma once

#include "common/Failure.h"

class LineDriver;
class MSComm;

// The target's reset and programming lines as one thing, for the window's "Prog" and "ResetCPU"
// and for tavro-prog alike: the chip held in reset for programming, the reset pulse that lets its
// firmware start again, and the release that clears break, RTS and DTR however a run ends.
class TargetControl
{
public:
    static constexpr int kResetPulseMs = 100;
    static constexpr int kFirmwareStartMs = 500;

    TargetControl(MSComm &comm, LineDriver &driver)
        : m_comm(comm)
        , m_driver(driver)
    {}

    // Programming mode: the clock and data lines idle, then reset asserted on DTR.
    Failure holdInReset();
    // Each line on its own, so that one refused (a port that is gone) leaves none of the others set.
    void release();
    // DTR set, 100 ms, cleared, then 500 ms for the firmware to start.
    Failure pulseReset();

private:
    MSComm &m_comm;
    LineDriver &m_driver;
};
