// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/UserDialogs.h"

#include <QList>
#include <deque>
#include <functional>

// Answers message boxes from a script and records what they said.
class FakeMessageBox : public MessageBox
{
public:
    struct Shown
    {
        QString text;
        Buttons buttons;
        Icon icon;
    };
    QList<Shown> shown;
    std::deque<Answer> answers;   // empty: Ok / Cancel / Ignore, as the buttons allow
    std::function<void()> onShow; // sees the program as the user does when a box comes up

    Answer show(const QString &text, Buttons buttons, Icon icon) override
    {
        shown.append({text, buttons, icon});
        if (onShow)
            onShow();
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::Ignore;
    }
};

// Returns scripted choices; nothing left means the user cancelled.
class FakeFileDialog : public FileDialog
{
public:
    QList<Request> requests;
    std::deque<std::optional<QString>> choices;

    std::optional<QString> open(const Request &request) override
    {
        requests.append(request);
        if (choices.empty())
            return std::nullopt;
        const std::optional<QString> chosen = std::move(choices.front());
        choices.pop_front();
        return chosen;
    }
};
