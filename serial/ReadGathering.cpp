// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ReadGathering.h"

#include <algorithm>

ReadGathering::ReadGathering(QObject *owner, std::function<void()> readAgain)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, owner, std::move(readAgain));
}

void ReadGathering::setLine(const LineFormat &format)
{
    const int parityBits = format.parity == QSerialPort::NoParity ? 0 : 1;
    m_lineBytesPerSecond = format.baudRate / (1 + format.dataBits + parityBits + 1);
}

bool ReadGathering::leaveAfter(qint64 arrived, bool gathered)
{
    const qint64 sinceMs = m_sinceData.isValid() ? m_sinceData.elapsed() : -1;
    const qint64 waitMs = gatherMs(m_lineBytesPerSecond, sinceMs, arrived, gathered);
    if (waitMs > 0)
        m_timer.start(int(waitMs));
    return waitMs > 0;
}

void ReadGathering::stop()
{
    m_timer.stop();
    m_sinceData.invalidate();
}

qint64 ReadGathering::gatherMs(qint64 lineBytesPerSecond, qint64 sinceMs, qint64 arrived, bool gathered)
{
    if (!gathered && (sinceMs < 0 || sinceMs >= kGatherMs))
        return 0;
    const qint64 lineMs = kGatherBytes * 1000 / std::max<qint64>(lineBytesPerSecond, 1);
    const qint64 streamMs = kGatherBytes * std::max<qint64>(sinceMs, 1) / std::max<qint64>(arrived, 1);
    const qint64 ms = std::min({qint64(kGatherMs), lineMs, streamMs});
    return ms < 2 ? 0 : ms; // a fast stream fills the buffer sooner than a wake-up saves
}
