// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ProgressBar.h"

namespace {
constexpr int kWidth = 30;
constexpr qint64 kRedrawMs = 100;

QString minutesSeconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

void ProgressBar::start(const QString &what)
{
    finish();
    m_what = what;
    m_started.start();
    m_drawnAtMs = -1;
}

void ProgressBar::update(qsizetype done, qsizetype total)
{
    const qint64 now = m_started.elapsed();
    if (done < total && m_drawnAtMs >= 0 && now - m_drawnAtMs < kRedrawMs)
        return;
    m_drawnAtMs = now;
    draw(done, total);
}

void ProgressBar::draw(qsizetype done, qsizetype total)
{
    const int filled = total > 0 ? int(kWidth * done / total) : kWidth;
    QString left = QStringLiteral("-:--");
    if (done > 0)
        left = minutesSeconds((m_started.elapsed() * (total - done) / done + 999) / 1000);
    const QString line = QStringLiteral("\r%1 [%2%3] %4/%5 bytes, %6 left ")
                             .arg(m_what, QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('.')))
                             .arg(done)
                             .arg(total)
                             .arg(left);
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
    m_shown = true;
}

void ProgressBar::finish()
{
    if (!m_shown)
        return;
    // Erase to the end of the line: the results follow on it.
    std::fputs("\r\x1b[K", m_out);
    std::fflush(m_out);
    m_shown = false;
}
