// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/DeviceLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Where UUCP lock files are kept, in the order their users look.
const char *const kLockFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                    "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};

// Whether a lock file names a process that still runs.
bool liveHolder(const QString &lockFile)
{
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = QString::fromLatin1(file.readLine(64)).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0 || pid == ::getpid())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QStringList DeviceLock::lockFileNames(const QString &path)
{
    QStringList names;
    for (QString name : {path, QFileInfo(path).canonicalFilePath()}) {
        if (name.isEmpty())
            continue;
        if (name.startsWith(QLatin1String("/dev/")))
            name.remove(0, 5);
        name = QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
        if (!names.contains(name))
            names << name;
    }
    return names;
}

std::unique_ptr<DeviceLock> DeviceLock::take(int fd, const QString &path)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return nullptr;
    const QStringList names = lockFileNames(path);
    for (const char *folder : kLockFolders)
        for (const QString &name : names)
            if (liveHolder(QLatin1String(folder) + QLatin1Char('/') + name))
                return nullptr;
    ::ioctl(fd, TIOCEXCL); // no further opens, but root's; a pseudo-terminal may refuse it, which is no matter
    // Where a program that follows the lock files looks first; a folder nobody may write leaves
    // the flock and the exclusive mode alone to keep others out.
    for (const char *folder : kLockFolders) {
        const QString lockFile = QLatin1String(folder) + QLatin1Char('/') + names.first();
        if (!QFileInfo(QLatin1String(folder)).isWritable())
            continue;
        QFile::remove(lockFile); // stale: its process is gone
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        const QByteArray content = QByteArray::number(::getpid()) + '\n'
                                   + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n'
                                   + QByteArray(host) + '\n';
        QFile file(lockFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break; // taken meanwhile, or not ours to make: the flock still holds
        if (file.write(content) == content.size() && file.flush())
            return std::unique_ptr<DeviceLock>(new DeviceLock(lockFile));
        file.remove();
        break;
    }
    return std::unique_ptr<DeviceLock>(new DeviceLock(QString()));
}

DeviceLock::~DeviceLock()
{
    if (!m_lockFile.isEmpty())
        QFile::remove(m_lockFile);
}
