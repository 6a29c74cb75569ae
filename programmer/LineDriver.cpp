#include "programmer/LineDriver.h"

#include "programmer/ChipError.h"
#include "programmer/Timer3.h"
#include "serial/MSComm.h"

#include <QCoreApplication>
#include <cmath>

LineDriver::LineDriver(MSComm &comm, Timer3 &timer, std::function<bool()> invertData)
    : m_comm(comm)
    , m_timer(timer)
    , m_invertData(std::move(invertData))
{}

void LineDriver::Delay(double msecs)
{
    // Rounded half to even, as 2.5 ms must become 2.
    const int ms = int(std::nearbyint(msecs * m_waitScale));
    m_timer.setInterval(ms);
    m_timer.setEnabled(true);
    if (ms < 1) {
        QCoreApplication::processEvents();
        return;
    }
    // Sleeps until the next event; the timer's tick is one.
    while (m_timer.interval() >= 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void LineDriver::ClockSCK()
{
    throwIfFailed(m_comm.setBreak(true));
    throwIfFailed(m_comm.setBreak(false));
}

void LineDriver::SendProgByte(quint8 value)
{
    if (m_invertData && m_invertData())
        value = quint8(~value);
    for (quint8 mask = 0x80; mask != 0; mask >>= 1) {
        throwIfFailed(m_comm.setRTSEnable((value & mask) != 0));
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
