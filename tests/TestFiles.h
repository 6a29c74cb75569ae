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

// A sysfs tree of one USB serial device: the tty, its port, interface and device folders.
inline void fakeSysfs(const QString &root, const QString &tty, const QByteArray &vendor, const QByteArray &product,
                      const QByteArray &serial = {})
{
    const QString device = root + "/devices/usb1/1-2", port = device + "/1-2:1.1/" + tty;
    QDir(root + "/class/tty/" + tty).removeRecursively();
    QVERIFY(QDir().mkpath(port) && QDir().mkpath(root + "/class/tty/" + tty) && QDir().mkpath(root + "/bus/ftdi_sio"));
    QVERIFY(QFile::link(port, root + "/class/tty/" + tty + "/device"));
    QFile::link(root + "/bus/ftdi_sio", port + "/driver");
    QList<std::pair<QString, QByteArray>> attributes{{"/idVendor", vendor},   {"/idProduct", product},
                                                     {"/product", "FT2232H"}, {"/busnum", "1"},
                                                     {"/devnum", "7"},        {"/1-2:1.1/bInterfaceNumber", "01"}};
    QFile::remove(device + "/serial");
    if (!serial.isEmpty())
        attributes.append({"/serial", serial});
    for (const auto &[path, value] : attributes) {
        QFile file(device + path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(value + '\n') > 0);
    }
}
