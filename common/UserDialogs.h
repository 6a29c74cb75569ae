// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Message boxes behind an interface, so that tests answer them without a screen.
class MessageBox
{
public:
    enum class Icon { None, Exclamation, Question };
    enum class Buttons { Ok, YesNoCancel, AbortRetryIgnore };
    enum class Answer { Ok, Yes, No, Cancel, Abort, Retry, Ignore };

    virtual ~MessageBox() = default;
    // The caption is always the application title.
    virtual Answer show(const QString &text, Buttons buttons, Icon icon) = 0;

    void warn(const QString &text) { show(text, Buttons::Ok, Icon::Exclamation); }
};

// The file dialog: its title and filter ("Text|*.txt|All|*.*" pairs). A typed name that does
// not exist comes back as any other; the caller says what it makes of it. A dialog to save asks
// before a file is replaced and gives a typed name the extension of the filter in use.
class FileDialog
{
public:
    enum class Purpose { Open, Save };
    struct Request
    {
        QString title;
        QString filter;
        Purpose purpose = Purpose::Open;
    };
    virtual ~FileDialog() = default;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> open(const Request &request) = 0;
};
