// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "programmer/LineBackend.h"

#include <QByteArray>
#include <QtGlobal>

// Bit-level access to the chip's programming interface: TxD break is the clock, RTS carries data
// out, CTS data in. Every operation becomes steps for the back end, which runs them at once, or,
// for one that gathers, at the next flush.
class LineDriver
{
public:
    explicit LineDriver(LineBackend &backend)
        : m_backend(&backend)
    {}

    // Steps gathered and not yet run are dropped.
    void useBackend(LineBackend &backend);
    bool gathers() const { return m_backend->gathers(); }
    Failure ready() const { return m_backend->ready(); }

    void Delay(double msecs);
    void ClockSCK();
    void SendProgByte(quint8 value);
    quint8 ReadProgByte();
    // ReadProgByte's steps, the byte taken by the next flush.
    void queueReadByte();
    // Runs what is gathered; the bytes read since the last flush, in order. A failure raises
    // ChipError and drops the rest.
    QByteArray flush();

    // One line to a level, run at once with whatever was gathered before it; unless it is known to
    // be there already, then the device's settle time. Every CTS sample follows such a change.
    Failure setLine(MSComm::Line line, bool level);

    // RTS carries the complement of every bit sent (the "RTS inverted" setting).
    void setInvertsData(bool on) { m_invertData = on; }
    // Waits run this many times their length; tests shorten them.
    void setWaitScale(double scale) { m_waitScale = scale; }

private:
    void step(const PinStep &step);
    Failure runSteps(std::span<const PinStep> steps);
    Failure runPending();
    Failure runNow(const PinStep &step);

    LineBackend *m_backend;
    bool m_invertData = false;
    double m_waitScale = 1.0;
    PinSteps m_pending;
    std::vector<bool> m_samples; // of the reads not yet taken, eight a byte
};
