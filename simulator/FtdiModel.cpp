// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/FtdiModel.h"

#include <QObject>
#include <algorithm>

FtdiModel::FtdiModel(std::shared_ptr<SimulatedChip> chip, Chip type, FtdiPins wiring)
    : m_chip(std::move(chip))
    , m_type(type)
    , m_wiring(wiring)
{
    setUartLines(false, false, false);
}

void FtdiModel::setUartLines(bool rts, bool dtr, bool brk)
{
    m_out = 0xFF;
    for (const auto &[bit, on] : {std::pair{m_wiring.rts, rts}, {m_wiring.dtr, dtr}, {m_wiring.txd, brk}})
        if (on)
            m_out &= quint8(~bit);
    apply(m_out, m_chip->nowNs());
}

Failure FtdiModel::request()
{
    ++m_requests;
    if (m_unplugged)
        return QObject::tr("%1: the USB device is gone (unplugged); plug it in again and start over").arg(m_type.name);
    return std::nullopt;
}

quint8 FtdiModel::pins() const
{
    return m_chip->dataOut() ? quint8(m_out & ~m_wiring.cts) : quint8(m_out | m_wiring.cts);
}

void FtdiModel::apply(quint8 state, qint64 atNs)
{
    m_out = state;
    m_chip->setReset(!(state & m_wiring.dtr), atNs);
    m_chip->setData(!(state & m_wiring.rts), atNs);
    m_chip->setClock(!(state & m_wiring.txd), atNs);
    m_lastAtNs = atNs;
}

Failure FtdiModel::readPins(quint8 &pins)
{
    if (Failure failure = request())
        return failure;
    m_sleep.wait(std::chrono::nanoseconds(m_roundTripNs));
    pins = this->pins();
    return std::nullopt;
}

Failure FtdiModel::setSyncBitbang(quint8 outputs)
{
    if (Failure failure = request())
        return failure;
    if (outputs & m_wiring.cts)
        return QObject::tr("%1: CTS is an input").arg(m_type.name);
    m_bitbang = true;
    return std::nullopt;
}

Failure FtdiModel::resetBitmode()
{
    m_bitbang = false;
    m_unread.clear();
    return request();
}

Failure FtdiModel::setPinRate(int statesPerSecond)
{
    if (statesPerSecond <= 0)
        return QObject::tr("%1: no pin rate %2").arg(m_type.name).arg(statesPerSecond);
    m_periodNs = qint64(1e9 / (statesPerSecond * m_rateFactor));
    return request();
}

Failure FtdiModel::write(const QByteArray &states)
{
    if (Failure failure = request())
        return failure;
    if (!m_bitbang || m_periodNs == 0)
        return QObject::tr("%1: written to outside bit-bang").arg(m_type.name);
    if (states.size() > m_type.buffers.tx)
        return QObject::tr("%1: %2 bytes in one transfer, more than its buffer of %3")
            .arg(m_type.name)
            .arg(states.size())
            .arg(m_type.buffers.tx);
    if (qsizetype(m_unread.size()) + states.size() > m_type.buffers.tx + m_type.buffers.rx)
        return QObject::tr("%1: samples overrun, %2 states not read back")
            .arg(m_type.name)
            .arg(m_unread.size() + states.size());
    qint64 at = std::max(m_chip->nowNs() + m_roundTripNs / 2, m_lastAtNs + m_periodNs);
    for (char state : states) {
        m_unread.push_back({pins(), at + m_roundTripNs / 2});
        apply(quint8(state), at);
        at += m_periodNs;
    }
    return std::nullopt;
}

Failure FtdiModel::read(QByteArray &samples, int count)
{
    if (Failure failure = request())
        return failure;
    if (count > qsizetype(m_unread.size()))
        return QObject::tr("%1: %2 samples asked for, %3 to come").arg(m_type.name).arg(count).arg(m_unread.size());
    if (count == 0)
        return std::nullopt;
    if (const qint64 waitNs = m_unread[count - 1].backAtNs - m_chip->nowNs(); waitNs > 0)
        m_sleep.wait(std::chrono::nanoseconds(waitNs));
    for (int i = 0; i < count; ++i) {
        samples.append(char(m_unread.front().pins));
        m_unread.pop_front();
    }
    return std::nullopt;
}
