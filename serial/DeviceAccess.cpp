// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/DeviceAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <grp.h>
#include <sys/stat.h>
#include <vector>

namespace {

QString groupName(gid_t gid)
{
    group entry{};
    group *found = nullptr;
    std::vector<char> buffer(16384);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(gid);
}

} // namespace

QString accessDenied(const QString &path, const QString &shown)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QCoreApplication::translate("DeviceAccess", "%1: permission denied").arg(shown);
    const QString group = groupName(info.st_gid);
    // Joining root's group, or a group the device does not let read and write, gives nothing.
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (info.st_gid == 0 || (info.st_mode & groupReadWrite) != groupReadWrite)
        return QCoreApplication::translate("DeviceAccess",
                                           "%1: permission denied, and its group %2 may not use it either; "
                                           "ask the administrator for access")
            .arg(shown, group);
    return QCoreApplication::translate(
               "DeviceAccess",
               "%1: permission denied; join its group %2 (sudo adduser \"$USER\" %2), then log in again")
        .arg(shown, group);
}
