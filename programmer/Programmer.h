// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/ChipMemory.h"
#include "programmer/LineDriver.h"
#include "programmer/ModemLines.h"
#include "programmer/TargetControl.h"
#include "programmer/Timer3.h"

class MSComm;

// The programmer on one port, wired once: the shared timer, the line driver over the port's modem
// lines or another back end, the target's reset and the chip's memories. The window, tavro-prog,
// the tests and the benches all make it so.
class Programmer
{
public:
    // Waits run waitScale times their length; tests shorten them.
    explicit Programmer(MSComm &comm, double waitScale = 1.0)
        : m_lines(comm, m_timer)
        , m_driver(m_lines)
        , m_target(comm, m_driver)
        , m_chip(m_driver, m_target)
    {
        m_driver.setWaitScale(waitScale);
    }
    Programmer(const Programmer &) = delete;
    Programmer &operator=(const Programmer &) = delete;

    // The data line's inversion holds for a whole programming session; it is set as one begins.
    void setInvertsData(bool on) { m_driver.setInvertsData(on); }

    // Instructions through another back end, such as an adapter's bit-bang mode; none: the port's
    // modem lines again.
    void useBackend(LineBackend *backend) { m_driver.useBackend(backend ? *backend : m_lines); }

    Timer3 &timer() { return m_timer; }
    LineDriver &driver() { return m_driver; }
    TargetControl &target() { return m_target; }
    ChipMemory &chip() { return m_chip; }

private:
    Timer3 m_timer;
    ModemLines m_lines;
    LineDriver m_driver;
    TargetControl m_target;
    ChipMemory m_chip;
};
