#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class MSComm;
class Timer3;

// Bit-level access to the chip's programming interface over the port's modem lines:
// TxD break is the clock, RTS carries data out, CTS data in.
class LineDriver
{
public:
    LineDriver(MSComm &comm, Timer3 &timer, std::function<bool()> invertData);

    void Delay(double msecs);
    void ClockSCK();
    void SendProgByte(quint8 value);
    quint8 ReadProgByte();

    // Waits run this many times their length; tests shorten them.
    void setWaitScale(double scale) { m_waitScale = scale; }

private:
    MSComm &m_comm;
    Timer3 &m_timer;
    std::function<bool()> m_invertData;
    double m_waitScale = 1.0;
};
