#include "transfer/LineReader.h"

#include "common/ShownPath.h"

std::unique_ptr<LineReader> LineReader::open(const QString &path, QString *error, qsizetype pieceSize)
{
    std::unique_ptr<LineReader> reader(new LineReader(path, qMax<qsizetype>(1, pieceSize)));
    if (!reader->m_file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(shownPath(path), reader->m_file.errorString());
        return nullptr;
    }
    if (Failure failure = reader->findLineEnd()) {
        if (error)
            *error = *failure;
        return nullptr;
    }
    return reader;
}

Failure LineReader::findLineEnd()
{
    const auto failed = [this] {
        return QStringLiteral("Cannot read %1: %2").arg(shownPath(m_file.fileName()), m_file.errorString());
    };
    for (;;) {
        const QByteArray piece = m_file.read(m_pieceSize);
        if (piece.contains('\r'))
            break;
        if (piece.isEmpty()) {
            if (m_file.error() != QFileDevice::NoError)
                return failed();
            m_lineEnd = '\n';
            break;
        }
    }
    return m_file.seek(0) ? std::nullopt : Failure(failed());
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
            return QStringLiteral("Cannot read %1: %2").arg(shownPath(m_file.fileName()), m_file.errorString());
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
    const qsizetype end = m_buffer.indexOf(m_lineEnd, m_pos);
    if (end >= 0 && end - m_pos < window) {
        m_skipLf = m_lineEnd == '\r';
        return take(end - m_pos, true, 1);
    }
    const qsizetype count = qMin(available(), m_pieceSize);
    return take(count, m_atEnd && count == available(), 0);
}
