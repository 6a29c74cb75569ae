// SPDX-License-Identifier: GPL-3.0-or-later
#include "log/LogFile.h"

#include "common/ShownPath.h"

#include <sys/stat.h>

std::unique_ptr<LogFile> LogFile::open(const QString &path, QString *error)
{
    std::unique_ptr<LogFile> log(new LogFile(path));
    // Unbuffered, so a full disk shows at the write that hit it, not at some later flush.
    if (!log->m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(shownPath(path), log->m_file.errorString());
        return nullptr;
    }
    return log;
}

bool LogFile::removed() const
{
    struct stat info
    {};
    return ::fstat(m_file.handle(), &info) == 0 && info.st_nlink == 0;
}

Failure LogFile::write(const QString &text)
{
    // Writing to a deleted file succeeds and keeps nothing: say so instead.
    if (removed())
        return QStringLiteral("Cannot write to the log file %1: the file or its folder was removed")
            .arg(shownPath(path()));
    const QByteArray bytes = text.toLatin1();
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = m_file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return QStringLiteral("Cannot write to the log file %1: %2").arg(shownPath(path()), m_file.errorString());
        done += n;
    }
    return std::nullopt;
}
