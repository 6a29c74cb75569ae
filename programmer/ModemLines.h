// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/LineBackend.h"
#include "programmer/MicroWait.h"

class Timer3;

// The steps as the port's modem-line calls: no change sent that would leave a line as it is,
// the device's settle time after each change, the chip's waits on the shared timer.
class ModemLines : public LineBackend
{
public:
    ModemLines(MSComm &comm, Timer3 &timer)
        : m_comm(comm)
        , m_timer(timer)
    {}

    Failure run(std::span<const PinStep> steps, std::vector<bool> &samples) override;
    Failure ready() const override;

private:
    Failure set(MSComm::Line line, bool level);
    void wait(std::chrono::nanoseconds length);

    MSComm &m_comm;
    Timer3 &m_timer;
    MicroWait m_settleWait;
};
