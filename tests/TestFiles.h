// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Files the tests send, program and check.

// The file's path, or nothing when it could not be written whole.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

inline QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A descriptor by which this process holds the file open, or -1.
inline int openDescriptor(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return fd.toInt();
    return -1;
}

inline bool heldOpen(const QString &path)
{
    return openDescriptor(path) >= 0;
}

// A program the test needs; its absence fails the test with one line naming the package.
inline bool requireTool(const char *program, const char *package)
{
    if (!QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
        return true;
    QTest::qFail(qPrintable(QStringLiteral("%1 is missing: install the Debian package %2").arg(program, package)),
                 __FILE__, __LINE__);
    return false;
}
