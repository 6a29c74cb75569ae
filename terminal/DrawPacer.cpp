// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/DrawPacer.h"

#include <algorithm>

DrawPacer::DrawPacer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DrawPacer::due);
    m_sinceDraw.start();
}

void DrawPacer::changed()
{
    // The timer starts again at every change: it fires when the interval is up or the data
    // pauses, whichever comes first, so a burst's end shows at once.
    const qint64 interval = std::max<qint64>(kIntervalMs, qint64(kShare * m_frameMs));
    const qint64 wait = interval - m_sinceDraw.elapsed();
    if (wait <= 0)
        emit due();
    else
        m_timer.start(int(std::min<qint64>(wait, kPauseMs)));
}

void DrawPacer::drew(double costMs)
{
    m_timer.stop();
    m_frameMs = costMs;
    m_sinceDraw.restart();
}

void DrawPacer::painted(double costMs)
{
    m_frameMs += costMs;
}
