// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/LineDriver.h"

#include "programmer/ChipError.h"

#include <cmath>

void LineDriver::useBackend(LineBackend &backend)
{
    m_backend = &backend;
    m_pending.clear();
    m_samples.clear();
}

Failure LineDriver::runSteps(std::span<const PinStep> steps)
{
    const Failure failure = m_backend->run(steps, m_samples);
    if (failure)
        m_samples.clear();
    return failure;
}

Failure LineDriver::runPending()
{
    const PinSteps steps = std::exchange(m_pending, {}); // a wait may let another handler add steps
    return runSteps(steps);
}

Failure LineDriver::runNow(const PinStep &step)
{
    if (!m_pending.empty()) {
        m_pending.push_back(step);
        return runPending();
    }
    return runSteps({&step, 1});
}

void LineDriver::step(const PinStep &step)
{
    if (m_backend->gathers())
        m_pending.push_back(step);
    else
        throwIfFailed(runNow(step));
}

QByteArray LineDriver::flush()
{
    if (!m_pending.empty())
        throwIfFailed(runPending());
    QByteArray bytes;
    for (std::size_t at = 0; at + 8 <= m_samples.size(); at += 8) {
        int value = 0;
        for (std::size_t bit = at; bit < at + 8; ++bit)
            value = value * 2 + (m_samples[bit] ? 1 : 0);
        bytes.append(char(value));
    }
    m_samples.clear();
    return bytes;
}

void LineDriver::Delay(double msecs)
{
    // Rounded half to even, as 2.5 ms must become 2. A shortened wait keeps its fraction of a
    // millisecond, so that it is never shorter than the chip's need.
    const double ns = std::ceil(std::nearbyint(msecs) * m_waitScale * 1e6);
    step({PinStep::Kind::Wait, {}, false, std::chrono::nanoseconds(qint64(ns))});
}

Failure LineDriver::setLine(MSComm::Line line, bool level)
{
    return runNow({PinStep::Kind::Set, line, level});
}

void LineDriver::ClockSCK()
{
    step({PinStep::Kind::Set, MSComm::Line::Break, true});
    step({PinStep::Kind::Set, MSComm::Line::Break, false});
}

void LineDriver::SendProgByte(quint8 value)
{
    if (m_invertData)
        value = quint8(~value);
    for (quint8 mask = 0x80; mask != 0; mask >>= 1) {
        step({PinStep::Kind::Set, MSComm::Line::RTS, (value & mask) != 0});
        ClockSCK();
    }
}

void LineDriver::queueReadByte()
{
    // Each bit is on CTS before the clock that brings the next one.
    for (int bit = 0; bit < 8; ++bit) {
        step({PinStep::Kind::Sample});
        ClockSCK();
    }
    Delay(3);
}

quint8 LineDriver::ReadProgByte()
{
    queueReadByte();
    return quint8(flush().back());
}
