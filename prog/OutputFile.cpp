// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/OutputFile.h"

#include "common/ShownPath.h"
#include "prog/StandardDescriptors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kMaxLinks = 40; // as the kernel's own limit on following links

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Where a path leads once every symbolic link on it is followed, also when the last one
// dangles (it is then created there); empty for a loop.
QString resolved(QString path)
{
    for (int i = 0; i < kMaxLinks; ++i) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            return info.exists() ? info.canonicalFilePath() : QFileInfo(info.absoluteDir(), info.fileName()).filePath();
        path = info.symLinkTarget();
    }
    return {};
}

} // namespace

OutputFile::OutputFile(QString target)
    : m_target(std::move(target))
{}

OutputFile::~OutputFile()
{
    if (m_fd >= 0 && m_ownsFd)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(encoded(m_temporary).constData());
}

Failure OutputFile::systemFailure(const QString &path) const
{
    return QStringLiteral("%1: %2").arg(shownPath(path), QString::fromLocal8Bit(std::strerror(errno)));
}

Failure OutputFile::open()
{
    struct stat status
    {
    }, out{};
    const bool exists = ::stat(encoded(m_target).constData(), &status) == 0;
    // Standard output by any name (/dev/stdout, /dev/fd/1) is written through its own descriptor,
    // so that the HEX and anything else written there keep one position.
    m_standardOutput =
        m_target == QLatin1String("-")
        || (exists && ::fstat(STDOUT_FILENO, &out) == 0 && out.st_dev == status.st_dev && out.st_ino == status.st_ino);
    if (m_standardOutput) {
        if (!writableDescriptor(STDOUT_FILENO))
            return QObject::tr("standard output is closed");
        m_fd = STDOUT_FILENO;
        m_ownsFd = false;
        return std::nullopt;
    }
    // Links in /dev and /proc may name no file (pipe:[...]).
    const bool direct = exists
                        && (!S_ISREG(status.st_mode) || m_target.startsWith(QLatin1String("/dev/"))
                            || m_target.startsWith(QLatin1String("/proc/")));
    if (!direct)
        return openReplacement(m_target);
    // A FIFO holds the open until a reader comes; Ctrl-C ends the wait (EINTR).
    m_fd = ::open(encoded(m_target).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return m_fd < 0 ? systemFailure(m_target) : std::nullopt;
}

Failure OutputFile::openReplacement(const QString &path)
{
    m_final = resolved(path);
    if (m_final.isEmpty()) {
        errno = ELOOP;
        return systemFailure(path);
    }
    struct stat old
    {};
    const bool replaces = ::stat(encoded(m_final).constData(), &old) == 0;
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = QStringLiteral("%1.%2-%3.tmp").arg(m_final).arg(::getpid()).arg(attempt);
        m_fd = ::open(encoded(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            m_temporary.clear();
            // The new file is refused by its folder, whatever the file itself would allow.
            return QObject::tr("cannot write in %1: %2").arg(shownPath(QFileInfo(m_final).absolutePath()), reason);
        }
    }
    // The file keeps its permissions; a new one gets what the umask leaves of 0666.
    if (replaces && ::fchmod(m_fd, old.st_mode & 07777) != 0)
        return systemFailure(m_final);
    return std::nullopt;
}

Failure OutputFile::commit(const QByteArray &bytes)
{
    const QString shown = m_final.isEmpty() ? m_target : m_final;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return systemFailure(shown);
        done += n;
    }
    // A device or a pipe cannot be synced: written and closed is all there is.
    if (!m_final.isEmpty() && ::fsync(m_fd) != 0)
        return systemFailure(shown);
    if (const int fd = std::exchange(m_fd, -1); m_ownsFd && ::close(fd) != 0)
        return systemFailure(shown);
    if (m_final.isEmpty())
        return std::nullopt;
    if (::rename(encoded(m_temporary).constData(), encoded(m_final).constData()) != 0)
        return systemFailure(shown);
    m_temporary.clear();
    // The rename itself lasts only once the folder is synced.
    const int folder = ::open(encoded(QFileInfo(m_final).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        const bool synced = ::fsync(folder) == 0;
        ::close(folder);
        if (!synced)
            return systemFailure(shown);
    }
    return std::nullopt;
}
