// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TerminalText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The bytes as received, as lines of a hex dump: the offset in the stream, 16 bytes in hex and
// the printable ones as characters, e.g.
// "00000010  48 65 6c 6c 6f 0d 0a 00  01 02 03 04 05 06 07 08  |Hello...........|".
// Bounded as the view's text: past the limit, whole blocks leave the front.
class HexDump
{
public:
    static constexpr qsizetype kBytesPerLine = 16;
    static constexpr qsizetype kLimit = TerminalText::kSoftLimit;
    static constexpr qsizetype kTrimBlock = TerminalText::kTrimBlock;
    static constexpr qsizetype kLineLength = 78; // a whole line's characters, below 4 GiB

    static_assert(kTrimBlock % kBytesPerLine == 0, "whole lines leave, so offsets stay on the grid");

    void append(QByteArrayView bytes);

    qsizetype lineCount() const { return (m_bytes.size() + kBytesPerLine - 1) / kBytesPerLine; }
    QString line(qsizetype index) const;
    // The stream offset of the first byte kept.
    qint64 front() const { return m_front; }

private:
    QByteArray m_bytes;
    qint64 m_front = 0;
};
