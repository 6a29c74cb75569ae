// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/UserDialogs.h"

class QWidget;

// The message box and file dialog on the screen.
class WidgetMessageBox : public MessageBox
{
public:
    explicit WidgetMessageBox(QWidget *parent)
        : m_parent(parent)
    {}
    Answer show(const QString &text, Buttons buttons, Icon icon) override;

private:
    QWidget *m_parent;
};

class WidgetFileDialog : public FileDialog
{
public:
    explicit WidgetFileDialog(QWidget *parent)
        : m_parent(parent)
    {}
    std::optional<QString> open(const Request &request) override;

private:
    QWidget *m_parent;
};
