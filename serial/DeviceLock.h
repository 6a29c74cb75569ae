// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

// A device held by this program alone, by the conventions programs on Linux follow: flock on the
// device (tio, picocom) and a UUCP lock file "LCK..name" naming a live process (Qt's serial port,
// minicom), with the terminal's exclusive mode for those that follow neither. The lock file goes
// when the lock does; the flock goes with the descriptor.
class DeviceLock
{
public:
    // Nothing when another program holds the device.
    static std::unique_ptr<DeviceLock> take(int fd, const QString &path);
    ~DeviceLock();
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // The lock files another program would look for: one per name the device goes by.
    static QStringList lockFileNames(const QString &path);

private:
    explicit DeviceLock(QString lockFile)
        : m_lockFile(std::move(lockFile))
    {}
    QString m_lockFile; // ours; empty when no lock folder could be written
};
