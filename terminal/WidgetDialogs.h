// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/UserDialogs.h"

#include <QPointer>

class QFileDialog;
class QMessageBox;
class QWidget;

// The message box and file dialog on the screen.
class WidgetMessageBox : public MessageBox
{
public:
    explicit WidgetMessageBox(QWidget *parent)
        : m_parent(parent)
    {}
    Answer show(const QString &text, Buttons buttons, Icon icon) override;
    // From now on nothing is asked (a termination signal ends the program): a box that is up
    // closes with the answer that asks nothing further, and what a box would say goes to standard
    // error.
    void endInteraction();

private:
    QWidget *m_parent;
    QPointer<QMessageBox> m_open;
    bool m_ended = false;
};

class WidgetFileDialog : public FileDialog
{
public:
    explicit WidgetFileDialog(QWidget *parent)
        : m_parent(parent)
    {}
    std::optional<QString> open(const Request &request) override;
    // From now on every choice is cancelled, the one being made included.
    void endInteraction();

private:
    QWidget *m_parent;
    QPointer<QFileDialog> m_open;
    bool m_ended = false;
};
