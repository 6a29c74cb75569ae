// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/LineStamps.h"

#include <QDateTime>
#include <algorithm>

LineStamps::LineStamps(QStringView text)
    : m_end(text.size())
{
    m_lines.append({0, kBefore});
    addBreaks(1, text, 0);
    for (Line &line : m_lines)
        line.began = kBefore;
    if (m_lines.constLast().start == m_end)
        m_lines.last().began = kPending;
}

void LineStamps::addBreaks(qsizetype at, QStringView added, qint64 offset)
{
    for (qsizetype i = added.indexOf(u"\r\n"); i >= 0; i = added.indexOf(u"\r\n", i + 2))
        m_lines.insert(at++, {offset + i + 2, kPending});
}

void LineStamps::shown(qsizetype dropped, bool erased, QStringView data, qint64 nowMs)
{
    m_front += dropped;
    // A line cut at the front keeps its time: the rest of it began then. A cut between CR and LF
    // leaves a lone LF at the front of the next line, which an empty line takes with its time.
    while (m_lines.size() > 1 && m_lines.at(1).start <= m_front + 1) {
        if (m_lines.at(1).start > m_front && m_lines.at(1).began == kPending)
            m_lines[1].began = m_lines.at(0).began;
        m_lines.removeFirst();
    }
    if (erased) {
        --m_end;
        if (m_lines.size() > 1 && m_lines.constLast().start > m_end)
            m_lines.removeLast(); // the break before it was erased
    }
    const qsizetype last = m_lines.size() - 1;
    addBreaks(m_lines.size(), data, m_end);
    m_end += data.size();
    stampBegun(last, nowMs);
}

void LineStamps::edited(qsizetype position, qsizetype length, QStringView with, qint64 nowMs)
{
    const qint64 at = m_front + position;
    const qint64 delta = with.size() - length;
    auto after = [this](qint64 offset) {
        return std::upper_bound(m_lines.begin(), m_lines.end(), offset,
                                [](qint64 o, const Line &line) { return o < line.start; })
               - m_lines.begin();
    };
    // Lines whose break the edit took join the line before them.
    const qsizetype first = std::max<qsizetype>(1, after(at));
    m_lines.remove(first, std::max(first, after(at + length)) - first);
    for (qsizetype i = first; i < m_lines.size(); ++i)
        m_lines[i].start += delta;
    addBreaks(first, with, at);
    m_end += delta;
    stampBegun(first - 1, nowMs);
}

void LineStamps::stampBegun(qsizetype from, qint64 nowMs)
{
    for (qsizetype i = from; i < m_lines.size(); ++i) {
        const qint64 end = i + 1 < m_lines.size() ? m_lines.at(i + 1).start - 2 : m_end;
        if (m_lines.at(i).began == kPending && end > m_lines.at(i).start)
            m_lines[i].began = nowMs;
    }
}

std::optional<qint64> LineStamps::began(qsizetype line) const
{
    if (line < 0 || line >= m_lines.size() || m_lines.at(line).began < 0)
        return std::nullopt;
    return m_lines.at(line).began;
}

QString LineStamps::label(qsizetype line) const
{
    const auto ms = began(line);
    return ms ? QDateTime::fromMSecsSinceEpoch(*ms).toString(QStringLiteral("hh:mm:ss.zzz")) : QString();
}
