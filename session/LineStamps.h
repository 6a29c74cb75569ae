// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// When each line of the view's text began: the time its first character arrived. Once started
// over a text, it follows the text's changes (ShowData's trim, erase and append, the box's own
// edits) by their sizes and line breaks alone, never reading the text again. Lines that were there
// when it started carry no time.
class LineStamps
{
public:
    // Starts over the text as it is: its lines began before, except an empty last line.
    explicit LineStamps(QStringView text = {});

    // ShowData's change: `dropped` characters left the front, the last character was erased when
    // `erased`, then `data` (with its line breaks as CR LF) was appended.
    void shown(qsizetype dropped, bool erased, QStringView data, qint64 nowMs);
    // The box's own edit, in the text's characters.
    void edited(qsizetype position, qsizetype length, QStringView with, qint64 nowMs);

    qsizetype lineCount() const { return m_lines.size(); }
    // Milliseconds since the epoch.
    std::optional<qint64> began(qsizetype line) const;
    // "hh:mm:ss.zzz" in local time, or nothing.
    QString label(qsizetype line) const;

private:
    static constexpr qint64 kBefore = -2;  // began before the stamps did
    static constexpr qint64 kPending = -1; // no character yet
    struct Line
    {
        qint64 start; // where its first character stands, counted over all the text ever held
        qint64 began;
    };
    void addBreaks(qsizetype at, QStringView added, qint64 offset);
    void stampBegun(qsizetype from, qint64 nowMs);

    QList<Line> m_lines;
    qint64 m_front = 0; // where the text's first character stands, on the same count
    qint64 m_end = 0;
};
