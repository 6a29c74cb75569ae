// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>
#include <time.h>

// Whether what comes back after a device went away is that device. A USB adapter is, when its USB
// identity is (vendor, product and serial number; where it is plugged in when it has no serial),
// whatever tty or link it comes back under. A path reached through a link is, when the link has
// been made anew (by udev, or by the program that owns it) or still leads to the same device. A
// pseudo-terminal that went away never comes back: its number goes to the next program that asks.
class DeviceIdentity
{
public:
    // Where stable links and USB facts are found; tests give folders of their own.
    struct Places
    {
        QString byIdFolder = QStringLiteral("/dev/serial/by-id");
        QString sysRoot = QStringLiteral("/sys");
    };

    // Taken when the device opens: what the path leads to, and the adapter's stable link.
    static DeviceIdentity of(const QString &path, const Places &places);

    // The path to open: the stable link where the device has one.
    QString openPath() const { return m_stableLink.isEmpty() ? m_path : m_stableLink; }
    // The path to open again if the same device is back; otherwise nothing, and *instead says
    // what stands there now (empty when nothing does).
    std::optional<QString> back(QString *instead) const;

    // The link in folder that names the device at path by what it is rather than by the order it
    // was found in (/dev/serial/by-id for USB adapters); empty when there is none.
    static QString stableLink(const QString &path, const QString &folder);

private:
    QString usbIdentity(const QString &path) const;

    Places m_places;
    QString m_path; // as the user gave it
    QString m_stableLink;
    QString m_usb; // empty: no USB device
    bool m_pty = false;
    dev_t m_device = 0;
    bool m_link = false; // the path itself is a link: its own inode and change time
    ino_t m_linkInode = 0;
    timespec m_linkChanged{};
};
