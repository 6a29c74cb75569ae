// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/SysInfo.h"

#include "common/UserDialogs.h"

#include <QProcess>
#include <QStandardPaths>

bool DetachedLauncher::start(const QString &path)
{
    return QProcess::startDetached(path, {});
}

QString SysInfo::findTool() const
{
    for (const QString &tool : kTools) {
        const QString found = QStandardPaths::findExecutable(tool, m_tools.searchPath);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

void SysInfo::StartSysInfo()
{
    const QString tool = findTool();
    if (!tool.isEmpty() && m_tools.launcher->start(tool))
        return;
    m_messages.show(kUnavailable, MessageBox::Buttons::Ok, MessageBox::Icon::None);
}
