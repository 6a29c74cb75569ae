// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AppTitle.h"
#include "common/Failure.h"
#include "log/LogFile.h"

#include <QString>
#include <memory>
#include <optional>

class FileDialog;
class MessageBox;

// The open and close log commands and the log they keep open in between.
class LogCommands
{
public:
    static inline const QString kDialogTitle = QStringLiteral("Open Communications Log File");
    static inline const QString kDialogFilter = QStringLiteral("Log Files (*.LOG)|*.log|All Files (*.*)|*.*");

    LogCommands(FileDialog &files, MessageBox &messages)
        : m_files(files)
        , m_messages(messages)
    {}

    // The window's caption after the command; nothing when the log did not change (cancelled or
    // failed; a failure is shown first).
    std::optional<QString> mnuOpenLog_Click();
    QString mnuCloseLog_Click();

    bool isOpen() const { return m_log != nullptr; }

    // Appends shown text to the open log (none open: nothing happens). The failure comes back
    // only for the first of a run of failed writes, so a full disk gives one box, not one per
    // chunk; a successful write or a reopened log re-arms it.
    Failure write(const QString &text);

private:
    enum class Choice { Cancelled, Failed, New, Replace, Append };
    Choice choosePath(QString &path);
    Choice askAboutExisting(const QString &path);

    FileDialog &m_files;
    MessageBox &m_messages;
    std::unique_ptr<LogFile> m_log;
    bool m_failureShown = false;
};
