// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/SimulatedBoard.h"

#include <QTimer>
#include <algorithm>
#include <limits>

SimulatedBoard::SimulatedBoard(std::shared_ptr<SimulatedChip> chip, bool invertedData, QObject *parent)
    : SerialDevice(parent)
    , m_chip(std::move(chip))
    , m_invertedData(invertedData)
{
    m_line.setInterval(0);
    connect(&m_line, &QTimer::timeout, this, &SimulatedBoard::arrive);
    m_adapter.setSingleShot(true);
    m_adapter.setTimerType(Qt::PreciseTimer);
    connect(&m_adapter, &QTimer::timeout, this, [this] {
        applyDue(m_chip->nowNs());
        scheduleAdapter();
    });
}

SimulatedBoard::~SimulatedBoard()
{
    close();
}

Failure SimulatedBoard::open(const LineFormat &format)
{
    if (m_unplugged)
        return closedFailure();
    m_format = format;
    if (!m_imageFolder.isEmpty()) {
        Failure failure;
        m_image = ChipImage::open(m_imageFolder, *m_chip, failure);
        if (!m_image)
            return tr("%1: %2").arg(description(), *failure);
    }
    m_open = true;
    m_received.clear();
    return std::nullopt;
}

Failure SimulatedBoard::apply(const LineFormat &format)
{
    m_format = format;
    return std::nullopt;
}

void SimulatedBoard::close()
{
    if (!m_open)
        return;
    applyDue(std::numeric_limits<qint64>::max()); // what the host asked for still happens
    m_open = false;
    m_image.reset();
}

void SimulatedBoard::unplug()
{
    if (!connected())
        return;
    m_unplugged = true;
    emit lost(*closedFailure());
}

Failure SimulatedBoard::closedFailure() const
{
    if (m_unplugged)
        return tr("%1 is no longer available (unplugged)").arg(description());
    return tr("Operation valid only when the port is open");
}

void SimulatedBoard::deliver(const QByteArray &bytes)
{
    // Like a real line: the answer arrives later, through the event loop, a few KiB per
    // pass, and what is still on its way counts as queued, so a sender paces itself by it.
    m_onTheLine += bytes;
    if (!m_line.isActive())
        m_line.start();
}

void SimulatedBoard::arrive()
{
    if (!connected() || m_onTheLine.isEmpty()) {
        m_onTheLine.clear();
        m_line.stop();
        return;
    }
    m_received += m_onTheLine.left(kLineChunk);
    m_onTheLine.remove(0, kLineChunk);
    if (m_onTheLine.isEmpty())
        m_line.stop();
    emit readyRead();
}

Failure SimulatedBoard::write(const QByteArray &bytes)
{
    if (!m_pending.empty()) // only behind a modelled adapter
        applyDue(m_chip->nowNs());
    if (!connected())
        return closedFailure();
    if (m_chip->inReset() || m_break)
        return std::nullopt; // lost: the firmware is held in reset, or its line is in break
    QByteArray answer;
    for (char c : bytes) {
        answer += c;
        if (c == ' ')
            answer += kBanner;
    }
    deliver(answer);
    return std::nullopt;
}

QByteArray SimulatedBoard::readAll()
{
    return std::exchange(m_received, {});
}

Failure SimulatedBoard::change(SimulatedChip::Line line, bool level)
{
    const qint64 now = m_chip->nowNs();
    applyDue(now);
    if (!connected())
        return closedFailure();
    const Change asked{line, level, now + m_latencyNs};
    if (m_latencyNs == 0) {
        apply(asked);
    } else {
        m_pending.push_back(asked);
        scheduleAdapter();
    }
    if (Failure failure = m_chip->takeKeepFailure())
        return tr("%1: the chip cannot be programmed: %2").arg(description(), *failure);
    return std::nullopt;
}

void SimulatedBoard::applyDue(qint64 untilNs) const
{
    while (!m_pending.empty() && m_pending.front().atNs <= untilNs) {
        apply(m_pending.front());
        m_pending.pop_front();
    }
}

void SimulatedBoard::apply(const Change &change) const
{
    switch (change.line) {
    case SimulatedChip::Line::Reset:
        m_chip->setReset(change.level, change.atNs);
        break;
    case SimulatedChip::Line::Clock:
        m_break = change.level;
        m_chip->setClock(change.level, change.atNs);
        break;
    case SimulatedChip::Line::Data:
        m_chip->setData(m_invertedData ? !change.level : change.level, change.atNs);
        break;
    }
    const bool hearing = m_break && !m_chip->inReset();
    if (hearing && !m_hearingBreak)
        ++m_breaksHeard;
    m_hearingBreak = hearing;
}

void SimulatedBoard::scheduleAdapter() const
{
    if (m_pending.empty() || m_adapter.isActive())
        return;
    const qint64 waitNs = std::max<qint64>(0, m_pending.front().atNs - m_chip->nowNs());
    m_adapter.start(int((waitNs + 999999) / 1000000));
}

Failure SimulatedBoard::setRequestToSend(bool on)
{
    if (connected() && m_format.handshaking >= 2)
        return tr("%1: RTS is driven by RTS/CTS flow control").arg(description());
    return change(SimulatedChip::Line::Data, on);
}

Failure SimulatedBoard::setDataTerminalReady(bool on)
{
    return change(SimulatedChip::Line::Reset, on);
}

Failure SimulatedBoard::setBreak(bool on)
{
    return change(SimulatedChip::Line::Clock, on);
}

bool SimulatedBoard::clearToSend() const
{
    if (!m_pending.empty())
        applyDue(m_chip->nowNs());
    return connected() && m_chip->dataOut();
}
