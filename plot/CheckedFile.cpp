// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/CheckedFile.h"

#include "common/ShownPath.h"

CheckedFile::CheckedFile(const QString &path)
    : m_file(path)
{
    // Unbuffered, so that a write that fails reports it rather than a later, unchecked flush.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        m_failure = QStringLiteral("Cannot save %1: %2").arg(shownPath(path), m_file.errorString());
}

void CheckedFile::write(QByteArrayView bytes)
{
    if (m_failure)
        return;
    m_pending.append(bytes);
    if (m_pending.size() >= kPiece)
        flush();
}

void CheckedFile::flush()
{
    qsizetype done = 0;
    while (!m_failure && done < m_pending.size()) {
        const qint64 n = m_file.write(m_pending.constData() + done, m_pending.size() - done);
        if (n <= 0)
            m_failure = QStringLiteral("Cannot save %1: %2").arg(shownPath(m_file.fileName()), m_file.errorString());
        done += std::max<qint64>(n, 0);
    }
    m_pending.clear();
}

Failure CheckedFile::finish()
{
    flush();
    m_file.close();
    return m_failure;
}
