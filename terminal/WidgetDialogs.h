#pragma once

#include "common/UserDialogs.h"

#include <QList>
#include <QStringList>
#include <memory>

class QFileDialog;
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

    // "Log Files (*.LOG)|*.log|All Files (*.*)|*.*": the texts the user sees, each with its patterns.
    struct Filter
    {
        QString text;
        QStringList patterns;
    };
    static QList<Filter> filters(const QString &filter);
    // The dialog open() shows.
    std::unique_ptr<QFileDialog> make(const Request &request) const;

private:
    QWidget *m_parent;
};
