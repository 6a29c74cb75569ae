// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/DeviceIdentity.h"

#include "common/ShownPath.h"
#include "serial/UsbFacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DeviceIdentity", text);
}

// Unix98 pseudo-terminal slaves.
bool isPty(dev_t device)
{
    return major(device) >= 136 && major(device) <= 143;
}

} // namespace

QString DeviceIdentity::stableLink(const QString &path, const QString &folder)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return {};
    // By name, so that of two links to one device the same one is taken every time.
    for (const QFileInfo &link :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        if (link.isSymLink() && link.canonicalFilePath() == device)
            return link.absoluteFilePath();
    return {};
}

QString DeviceIdentity::usbIdentity(const QString &path) const
{
    const std::optional<UsbFacts> usb = UsbFacts::of(path, m_places.sysRoot);
    if (!usb)
        return {};
    return usb->serialNumber.isEmpty() ? QStringLiteral("USB %1 in socket %2").arg(usb->id(), usb->usbPort)
                                       : QStringLiteral("USB %1 serial %2").arg(usb->id(), usb->serialNumber);
}

DeviceIdentity DeviceIdentity::of(const QString &path, const Places &places)
{
    DeviceIdentity id;
    id.m_places = places;
    id.m_path = path;
    id.m_stableLink = stableLink(path, places.byIdFolder);
    id.m_usb = id.usbIdentity(path);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(encoded.constData(), &info) == 0) {
        id.m_device = info.st_rdev;
        id.m_pty = isPty(info.st_rdev);
    }
    if (::lstat(encoded.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        id.m_link = true;
        id.m_linkInode = info.st_ino;
        id.m_linkChanged = info.st_ctim;
    }
    return id;
}

std::optional<QString> DeviceIdentity::back(QString *instead) const
{
    instead->clear();
    if (!m_usb.isEmpty()) {
        for (const QString &candidate : {m_stableLink, m_path}) {
            if (candidate.isEmpty() || !QFileInfo::exists(candidate))
                continue;
            const QString now = usbIdentity(candidate);
            if (now == m_usb)
                return candidate;
            if (instead->isEmpty())
                *instead = tr("%1 is now %2, not %3")
                               .arg(shownPath(candidate), now.isEmpty() ? tr("another device") : now, m_usb);
        }
        return std::nullopt;
    }
    const QByteArray encoded = QFile::encodeName(m_path);
    struct stat info = {};
    if (::stat(encoded.constData(), &info) != 0)
        return std::nullopt; // nothing there yet
    if (m_link) {
        struct stat link = {};
        const bool anew = ::lstat(encoded.constData(), &link) == 0
                          && (link.st_ino != m_linkInode || link.st_ctim.tv_sec != m_linkChanged.tv_sec
                              || link.st_ctim.tv_nsec != m_linkChanged.tv_nsec);
        if (anew)
            return m_path;
    }
    if (!m_pty && info.st_rdev == m_device)
        return m_path;
    const QString target = QFileInfo(m_path).canonicalFilePath();
    *instead = m_pty && isPty(info.st_rdev)
                   ? tr("%1 now leads to %2, a pseudo-terminal another program holds").arg(shownPath(m_path), target)
                   : tr("%1 now leads to %2, another device").arg(shownPath(m_path), target);
    return std::nullopt;
}
