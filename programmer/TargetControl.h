// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/MSComm.h"

#include <optional>

class LineDriver;

// The target's reset and programming lines as one thing, for the window's "Prog" and "ResetCPU"
// and for tavro-prog alike: the chip held in reset for programming, the reset pulse that lets its
// firmware start again, and the release that clears break, RTS and DTR however a run ends. While
// it drives the lines, RTS/CTS flow control is set aside on the port.
class TargetControl
{
public:
    static constexpr int kResetPulseMs = 100;
    static constexpr int kFirmwareStartMs = 500;

    TargetControl(MSComm &comm, LineDriver &driver)
        : m_comm(comm)
        , m_driver(driver)
    {}

    // Programming mode in a clean frame: the clock and data lines idle, then reset asserted on DTR,
    // released first if it was held, so that the chip drops whatever it had of an instruction.
    Failure holdInReset();
    // Each line on its own, so that one refused (a port that is gone) leaves none of the others
    // set; the first refusal comes back.
    Failure release();
    // DTR set, 100 ms, cleared, then 500 ms for the firmware to start.
    Failure pulseReset();

    // Why the lines cannot be driven now, if so: the port is closed, say.
    Failure ready() const;

    // A line change failed inside an instruction, or the hold did: the chip is out of step until
    // the next holdInReset.
    void loseStep() { m_lostStep = true; }
    bool lostStep() const { return m_lostStep; }

private:
    MSComm &m_comm;
    LineDriver &m_driver;
    std::optional<LinesByHand> m_byHand; // from holdInReset to release
    bool m_lostStep = false;
};
