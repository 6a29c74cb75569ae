// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter/FtdiBackend.h"

#include <QElapsedTimer>
#include <QObject>
#include <limits>

using Line = MSComm::Line;

namespace {
constexpr qint64 kPeriodNs = 1000000000 / FtdiBackend::kPinRate;
} // namespace

Failure FtdiBackend::begin()
{
    quint8 standing = 0;
    if (Failure failure = m_bus.readPins(standing))
        return failure;
    m_state = standing & m_pins.outputs();
    if (Failure failure = m_bus.setSyncBitbang(m_pins.outputs()); failure || (failure = m_bus.setPinRate(kPinRate)))
        return failure;
    m_states = QByteArray(1, char(m_state));
    std::vector<bool> none;
    if (Failure failure = play(none))
        return failure;
    return checkRate();
}

Failure FtdiBackend::timedIdle(qsizetype states, qint64 &ns)
{
    // The quickest of a few runs: waking late would only make the pins look slow or fast.
    ns = std::numeric_limits<qint64>::max();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer took;
        took.start();
        m_states = QByteArray(states, char(m_state));
        std::vector<bool> none;
        if (Failure failure = play(none))
            return failure;
        ns = std::min(ns, took.nsecsElapsed());
    }
    return std::nullopt;
}

Failure FtdiBackend::checkRate()
{
    // One state, then as many as the buffers hold, written at once: the difference in time is the
    // pins' alone, as the round trips cancel and the USB never holds the pins up.
    const qsizetype states = m_bus.buffers().tx + m_bus.buffers().rx;
    qint64 oneNs = 0, allNs = 0;
    if (Failure failure = timedIdle(1, oneNs); failure || (failure = timedIdle(states, allNs)))
        return failure;
    const double rate = double(states - 1) * 1e9 / double(std::max<qint64>(allNs - oneNs, 1));
    if (rate > kPinRate * 1.2)
        return QObject::tr("the adapter's pins run at %1 states a second where %2 were asked, which would shorten "
                           "the chip's waits; use the port's modem lines (--backend lines)")
            .arg(qint64(rate))
            .arg(kPinRate);
    return std::nullopt;
}

Failure FtdiBackend::run(std::span<const PinStep> steps, std::vector<bool> &samples)
{
    for (const PinStep &step : steps) {
        switch (step.kind) {
        case PinStep::Kind::Set:
            set(step.line, step.level);
            break;
        case PinStep::Kind::Sample:
            // The byte read back for the next state is the pins as this one left them.
            m_taken.push_back(int(m_states.size()));
            m_clockJustFell = false;
            break;
        case PinStep::Kind::Wait:
            if (step.wait < kHostWait) {
                idle(step.wait);
                break;
            }
            if (Failure failure = play(samples))
                return failure;
            m_hostWait.wait(step.wait);
            break;
        }
    }
    return play(samples);
}

void FtdiBackend::set(Line line, bool level)
{
    // RTS and DTR set, and a break, drive their pins low.
    const quint8 bit = line == Line::Break ? m_pins.txd : line == Line::RTS ? m_pins.rts : m_pins.dtr;
    const quint8 next = level ? quint8(m_state & ~bit) : quint8(m_state | bit);
    if (next == m_state)
        return;
    m_state = next;
    if (line == Line::RTS && m_clockJustFell)
        m_states.back() = char(next);
    else
        m_states.append(char(next));
    m_clockJustFell = line == Line::Break && !level;
}

void FtdiBackend::idle(std::chrono::nanoseconds length)
{
    // The next change comes a period after the last idle state: never before the wait is over.
    const qint64 states = (length.count() + kPeriodNs - 1) / kPeriodNs;
    m_states.append(QByteArray(states, char(m_state)));
    m_clockJustFell = false;
}

Failure FtdiBackend::play(std::vector<bool> &samples)
{
    if (!m_taken.empty() && m_taken.back() == m_states.size())
        m_states.append(char(m_state)); // one more state, to read the last one back
    QByteArray readBack;
    const Failure failure = transfer(readBack);
    m_states.clear();
    m_clockJustFell = false;
    if (!failure)
        for (int at : m_taken)
            samples.push_back((quint8(readBack.at(at)) & m_pins.cts) == 0);
    m_taken.clear();
    return failure;
}

Failure FtdiBackend::transfer(QByteArray &readBack)
{
    // Writes run ahead of the reads by as much as the chip's buffers hold, so that the pins never
    // stand still waiting for the USB round trip.
    const FtdiBuffers buffers = m_bus.buffers();
    qsizetype written = 0;
    while (readBack.size() < m_states.size()) {
        const qsizetype chunk = std::min<qsizetype>(buffers.tx, m_states.size() - written);
        if (chunk > 0 && written - readBack.size() + chunk <= buffers.tx + buffers.rx) {
            if (Failure failure = m_bus.write(m_states.mid(written, chunk)))
                return failure;
            written += chunk;
            continue;
        }
        QByteArray part;
        if (Failure failure = m_bus.read(part, int(std::min<qsizetype>(written - readBack.size(), buffers.tx))))
            return failure;
        readBack += part;
    }
    return std::nullopt;
}
