// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TerminalText.h"

#include <algorithm>

namespace {

// Takes the backspaces out of the data with the characters they erase; tells whether one stood
// at the start, which erases the last character already on the screen.
bool takeBackspaces(QString &data)
{
    if (!data.contains(QChar(8)))
        return false;
    bool erasesShown = false;
    qsizetype out = 0;
    for (qsizetype in = 0; in < data.size(); ++in) {
        if (data.at(in) != QChar(8))
            data[out++] = data.at(in);
        else if (out > 0)
            --out;
        else
            erasesShown = true;
    }
    data.truncate(out);
    return erasesShown;
}

// Every CR becomes CR LF; a LF of its own is dropped. Written through a pointer: this runs over
// every character a board sends.
void normaliseLineEnds(QString &data)
{
    const auto lineEnd = [](QChar c) { return c == QChar(10) || c == QChar(13); };
    const QChar *from = data.constData();
    const QChar *const end = from + data.size();
    const QChar *const first = std::find_if(from, end, lineEnd);
    if (first == end)
        return;
    QString out(2 * data.size(), Qt::Uninitialized); // room for a LF after every character
    QChar *to = std::copy(from, first, out.data());
    for (from = first; from != end; ++from) {
        if (*from == QChar(10))
            continue;
        *to++ = *from;
        if (*from == QChar(13))
            *to++ = QChar(10);
    }
    out.truncate(to - out.constData());
    data = std::move(out);
}

} // namespace

TerminalText::Cut TerminalText::showData(QString &data)
{
    Cut cut;
    // One block, after any call up to a block long; after a longer one (a network port's read),
    // as many as bring the text back within the bound, so that it never grows without end.
    if (m_text.size() > kSoftLimit) {
        cut.dropped = (m_text.size() - kSoftLimit + kTrimBlock - 1) / kTrimBlock * kTrimBlock;
        m_text.remove(0, cut.dropped);
        m_change.dropped += cut.dropped;
        m_change.kept = std::max<qsizetype>(0, m_change.kept - cut.dropped);
    }
    // A backspace with nothing on the screen erases nothing.
    if (takeBackspaces(data) && !m_text.isEmpty()) {
        cut.erased = true;
        m_text.chop(1);
        m_change.kept = std::min(m_change.kept, m_text.size());
    }
    normaliseLineEnds(data);
    m_text += data;
    m_change.shown = true;
    return cut;
}

void TerminalText::replace(qsizetype position, qsizetype length, const QString &with)
{
    // The box has it already: nothing of this is left to draw.
    m_text.replace(position, length, with);
    m_change = {0, m_text.size(), false};
}

TerminalText::Change TerminalText::takeChange()
{
    const Change change = m_change;
    m_change = {0, m_text.size(), false};
    return change;
}
