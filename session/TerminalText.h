// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The terminal view's text as the multi-line text box holds it: a line break is CR LF, two
// characters, and the trim rule counts them so. Every ShowData call changes it exactly as the
// box would be changed; the view only draws it, at its own pace, and reports the edits the box
// makes by itself (typing with the port closed or with local echo), which change it too.
class TerminalText
{
public:
    static constexpr qsizetype kSoftLimit = 16000;
    static constexpr qsizetype kTrimBlock = 4096;

    // ShowData's effect on the text: the trim, the backspaces, the line ends, the append. Data is
    // filtered in place; what is left is what the log gets. Tells what left the text before the append.
    struct Cut
    {
        qsizetype dropped = 0; // from the front
        bool erased = false;   // the last character
    };
    Cut showData(QString &data);
    // An edit the box made by itself, in this text's characters; the box shows everything else.
    void replace(qsizetype position, qsizetype length, const QString &with);

    const QString &text() const { return m_text; }

    // What changed since the last draw: how many characters left the front, how much of what
    // was drawn after them still stands, and whether ShowData ran (caret to the end).
    struct Change
    {
        qsizetype dropped = 0;
        qsizetype kept = 0;
        bool shown = false;
    };
    bool changed() const { return m_change.shown || m_change.dropped > 0 || m_change.kept < m_text.size(); }
    Change takeChange();

private:
    QString m_text;
    Change m_change;
};
