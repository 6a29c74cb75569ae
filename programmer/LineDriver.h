// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "programmer/MicroWait.h"
#include "serial/MSComm.h"

#include <QtGlobal>

class Timer3;

// Bit-level access to the chip's programming interface over the port's modem lines:
// TxD break is the clock, RTS carries data out, CTS data in.
class LineDriver
{
public:
    LineDriver(MSComm &comm, Timer3 &timer);

    void Delay(double msecs);
    void ClockSCK();
    void SendProgByte(quint8 value);
    quint8 ReadProgByte();

    // One line to a level, unless it is known to be there already (nothing would change on the
    // wire), then the device's settle time. Every CTS sample follows such a settled change.
    Failure setLine(MSComm::Line line, bool level);

    // RTS carries the complement of every bit sent (the "RTS inverted" setting).
    void setInvertsData(bool on) { m_invertData = on; }
    // Waits run this many times their length; tests shorten them.
    void setWaitScale(double scale) { m_waitScale = scale; }

private:
    void settle();

    MSComm &m_comm;
    Timer3 &m_timer;
    bool m_invertData = false;
    double m_waitScale = 1.0;
    MicroWait m_settleWait;
};
