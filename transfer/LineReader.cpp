// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/LineReader.h"

#include "common/ShownPath.h"

namespace {
QString cannotRead(const QFile &file)
{
    return QStringLiteral("Cannot read %1: %2").arg(shownPath(file.fileName()), file.errorString());
}
} // namespace

std::unique_ptr<LineReader> LineReader::open(const QString &path, QString *error, qsizetype pieceSize)
{
    std::unique_ptr<LineReader> reader(new LineReader(path, qMax<qsizetype>(1, pieceSize)));
    if (!reader->m_file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(shownPath(path), reader->m_file.errorString());
        return nullptr;
    }
    return reader;
}

bool LineReader::decideLineEnd(Failure &failure)
{
    if (m_buffer.indexOf('\r', m_pos) < 0) {
        if (!m_ahead) {
            m_ahead = std::make_unique<QFile>(m_file.fileName());
            if (!m_ahead->open(QIODevice::ReadOnly) || !m_ahead->seek(m_file.pos())) {
                failure = cannotRead(*m_ahead);
                return false;
            }
        }
        const QByteArray step = m_ahead->read(kLookAhead);
        if (step.isEmpty() && m_ahead->error() != QFileDevice::NoError) {
            failure = cannotRead(*m_ahead);
            return false;
        }
        if (!step.isEmpty() && !step.contains('\r'))
            return false;
        m_lineEnd = step.isEmpty() ? LineEnd::Lf : LineEnd::Cr;
    } else {
        m_lineEnd = LineEnd::Cr;
    }
    m_ahead.reset();
    return true;
}

Failure LineReader::fillTo(qsizetype wanted)
{
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    while (!m_atEnd && m_buffer.size() < wanted) {
        const qsizetype old = m_buffer.size();
        m_buffer.resize(wanted);
        const qint64 n = m_file.read(m_buffer.data() + old, wanted - old);
        m_buffer.resize(old + qMax<qint64>(n, 0));
        if (n < 0)
            return cannotRead(m_file);
        m_atEnd = n == 0;
    }
    return std::nullopt;
}

LineReader::Piece LineReader::take(qsizetype count, bool lineEnd, qsizetype skip)
{
    Piece piece{m_buffer.mid(m_pos, count), lineEnd};
    m_pos += count + skip;
    m_midLine = !lineEnd;
    return piece;
}

std::optional<LineReader::Piece> LineReader::next(Failure &failure)
{
    // One byte beyond a piece, so that a CR right after a full piece still ends its line.
    if (available() <= m_pieceSize)
        if ((failure = fillTo(m_pieceSize + 1)))
            return std::nullopt;
    if (m_skipLf && available() > 0) {
        m_skipLf = false;
        if (m_buffer.at(m_pos) == '\n')
            ++m_pos;
        if (available() <= m_pieceSize && (failure = fillTo(m_pieceSize + 1)))
            return std::nullopt;
    }
    if (available() == 0) {
        if (!m_midLine)
            return std::nullopt;
        return take(0, true, 0); // the unfinished last line ends with the file
    }
    const qsizetype window = qMin(available(), m_pieceSize + 1);
    if (m_lineEnd == LineEnd::Unknown) {
        const qsizetype lf = m_buffer.indexOf('\n', m_pos);
        if (lf >= 0 && lf - m_pos < window && !decideLineEnd(failure))
            return failure ? std::nullopt : std::optional<Piece>(Piece{}); // nothing yet; asked again
    }
    const char endsAt = m_lineEnd == LineEnd::Lf ? '\n' : '\r';
    const qsizetype end = m_buffer.indexOf(endsAt, m_pos);
    if (end >= 0 && end - m_pos < window) {
        m_skipLf = endsAt == '\r';
        if (m_skipLf)
            m_lineEnd = LineEnd::Cr;
        return take(end - m_pos, true, 1);
    }
    const qsizetype count = qMin(available(), m_pieceSize);
    return take(count, m_atEnd && count == available(), 0);
}
