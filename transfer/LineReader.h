// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QFile>
#include <memory>
#include <optional>

// Reads a text file line by line without holding it in memory. A line ends at CR or CR LF;
// a lone LF is an ordinary character. A file with no CR at all is a text file of this platform:
// its lines end at LF. Lines longer than the piece size come in pieces.
class LineReader
{
public:
    struct Piece
    {
        QByteArray bytes;
        bool lineEnd = false; // the line is complete after these bytes
    };

    static constexpr qsizetype kDefaultPieceSize = 64 * 1024;

    static std::unique_ptr<LineReader> open(const QString &path, QString *error,
                                            qsizetype pieceSize = kDefaultPieceSize);

    // The next piece; nothing at the end of the file or when *failure was set. An empty piece
    // that ends no line while the reader is still finding out how lines end.
    std::optional<Piece> next(Failure &failure);

private:
    LineReader(const QString &path, qsizetype pieceSize)
        : m_file(path)
        , m_pieceSize(pieceSize)
    {}
    // Whether a LF ends lines, once one shows before any CR: only when no CR follows anywhere.
    // Looked for a step at a time, so that a huge file holds up neither the window nor a stop.
    bool decideLineEnd(Failure &failure);
    Failure fillTo(qsizetype wanted);
    qsizetype available() const { return m_buffer.size() - m_pos; }
    Piece take(qsizetype count, bool lineEnd, qsizetype skip);

    QFile m_file;
    qsizetype m_pieceSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    enum class LineEnd { Unknown, Cr, Lf };
    LineEnd m_lineEnd = LineEnd::Unknown; // a CR read fixes it at Cr
    static constexpr qsizetype kLookAhead = 1024 * 1024;
    std::unique_ptr<QFile> m_ahead; // looks past the buffer for a CR
    bool m_skipLf = false;          // the last line ended in CR: a following LF belongs to it
    bool m_midLine = false;         // a piece of an unfinished line was handed out
};
