// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/LineDriver.h"

#include "common/EventWait.h"
#include "programmer/ChipError.h"
#include "programmer/Timer3.h"

#include <cmath>

LineDriver::LineDriver(MSComm &comm, Timer3 &timer)
    : m_comm(comm)
    , m_timer(timer)
{}

void LineDriver::Delay(double msecs)
{
    // Rounded half to even, as 2.5 ms must become 2. A shortened wait keeps its fraction of a
    // millisecond, so that it is never shorter than the chip's need.
    const double ns = std::ceil(std::nearbyint(msecs) * m_waitScale * 1e6);
    m_timer.start(std::chrono::nanoseconds(qint64(ns)));
    if (!m_timer.isRunning())
        EventWait::pending();
    else // the timer's tick is an event
        EventWait::until([this] { return !m_timer.isRunning(); });
}

Failure LineDriver::setLine(MSComm::Line line, bool level)
{
    if (m_comm.lineAt(line, level))
        return std::nullopt;
    if (Failure failure = m_comm.setLine(line, level))
        return failure;
    settle();
    return std::nullopt;
}

void LineDriver::settle()
{
    if (const int us = m_comm.settleUs(); us > 0)
        m_settleWait.wait(std::chrono::microseconds(us));
}

void LineDriver::ClockSCK()
{
    throwIfFailed(setLine(MSComm::Line::Break, true));
    throwIfFailed(setLine(MSComm::Line::Break, false));
}

void LineDriver::SendProgByte(quint8 value)
{
    if (m_invertData)
        value = quint8(~value);
    for (quint8 mask = 0x80; mask != 0; mask >>= 1) {
        throwIfFailed(setLine(MSComm::Line::RTS, (value & mask) != 0));
        ClockSCK();
    }
}

quint8 LineDriver::ReadProgByte()
{
    int value = 0;
    for (int bit = 7; bit >= 1; --bit) {
        if (m_comm.CTSHolding())
            value += 1;
        ClockSCK();
        value *= 2;
    }
    if (m_comm.CTSHolding())
        value += 1;
    ClockSCK();
    Delay(3);
    return quint8(value);
}
