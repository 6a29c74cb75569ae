// SPDX-License-Identifier: GPL-3.0-or-later
#include "log/LogCommands.h"

#include "common/FileLookup.h"
#include "common/ShownPath.h"
#include "common/UserDialogs.h"

#include <QFile>
#include <QFileInfo>

LogCommands::Choice LogCommands::askAboutExisting(const QString &path)
{
    const auto answer = m_messages.show(QStringLiteral("Replace existing file - ") + path + QStringLiteral("?"),
                                        MessageBox::Buttons::YesNoCancel, MessageBox::Icon::Question);
    if (answer == MessageBox::Answer::Yes)
        return Choice::Replace;
    if (answer == MessageBox::Answer::No)
        return Choice::Append;
    return Choice::Cancelled;
}

LogCommands::Choice LogCommands::choosePath(QString &path)
{
    for (;;) {
        const auto chosen = m_files.open({kDialogTitle, kDialogFilter});
        if (!chosen)
            return Choice::Cancelled;
        path = *chosen;
        const FileLookup lookup = FileLookup::of(path);
        if (lookup.result == FileLookup::Result::Failed) {
            m_messages.warn(lookup.error);
            return Choice::Failed;
        }
        if (lookup.result == FileLookup::Result::Missing)
            return Choice::New;
        const Choice answer = askAboutExisting(path);
        if (answer != Choice::Cancelled)
            return answer; // Cancel means: choose again
    }
}

std::optional<QString> LogCommands::mnuOpenLog_Click()
{
    QString path;
    const Choice choice = choosePath(path);
    if (choice == Choice::Cancelled || choice == Choice::Failed)
        return std::nullopt;
    if (choice == Choice::Replace) {
        QFile old(path);
        if (!old.remove()) {
            m_messages.warn(QStringLiteral("Cannot delete %1: %2").arg(shownPath(path), old.errorString()));
            return std::nullopt;
        }
    }
    QString error;
    auto log = LogFile::open(path, &error);
    if (!log) {
        m_messages.warn(error);
        return std::nullopt;
    }
    m_log = std::move(log);
    m_failureShown = false;
    return kAppTitle + QStringLiteral(" - ") + QFileInfo(path).fileName();
}

QString LogCommands::mnuCloseLog_Click()
{
    m_log.reset();
    return kMainWindowTitle;
}

Failure LogCommands::write(const QString &text)
{
    if (!m_log || text.isEmpty())
        return std::nullopt; // an empty write proves nothing about the disk
    Failure failure = m_log->write(text);
    if (!failure) {
        m_failureShown = false;
        return std::nullopt;
    }
    if (m_failureShown)
        return std::nullopt;
    m_failureShown = true;
    return failure;
}
