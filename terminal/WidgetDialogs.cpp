#include "terminal/WidgetDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

MessageBox::Answer WidgetMessageBox::show(const QString &text, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    box.setIcon(icon == Icon::Exclamation ? QMessageBox::Warning
                : icon == Icon::Question  ? QMessageBox::Question
                                          : QMessageBox::NoIcon);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::AbortRetryIgnore:
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return Answer::Ok;
    }
}

QString WidgetFileDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts[i].section(QLatin1Char('('), 0, 0).trimmed(), patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<QString> WidgetFileDialog::open(const Request &request)
{
    const QString filter = qtFilter(request.filter);
    const QString path = request.mayCreate ? QFileDialog::getSaveFileName(m_parent, request.title, {}, filter, nullptr,
                                                                          QFileDialog::DontConfirmOverwrite)
                                           : QFileDialog::getOpenFileName(m_parent, request.title, {}, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
