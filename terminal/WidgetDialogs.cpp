// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/WidgetDialogs.h"

#include "common/AppTitle.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <cstdio>
#include <memory>

namespace {
// What ends a box without asking anything further: drop unsent output, keep the old log.
MessageBox::Answer unasked(MessageBox::Buttons buttons)
{
    return buttons == MessageBox::Buttons::Ok            ? MessageBox::Answer::Ok
           : buttons == MessageBox::Buttons::YesNoCancel ? MessageBox::Answer::Cancel
                                                         : MessageBox::Answer::Ignore;
}
} // namespace

void WidgetMessageBox::endInteraction()
{
    m_ended = true;
    if (m_open)
        m_open->done(QMessageBox::NoButton);
}

MessageBox::Answer WidgetMessageBox::show(const QString &text, Buttons buttons, Icon icon)
{
    if (m_ended) {
        std::fprintf(stderr, "tavro-terminal: %s\n", qPrintable(text));
        return unasked(buttons);
    }
    QMessageBox box(m_parent);
    m_open = &box;
    box.setWindowTitle(kAppTitle);
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
    const int chosen = box.exec();
    if (m_ended) {
        std::fprintf(stderr, "tavro-terminal: %s\n", qPrintable(text));
        return unasked(buttons);
    }
    switch (chosen) {
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

namespace {

// "Log Files (*.LOG)|*.log|All Files (*.*)|*.*": the texts the user sees, each with its patterns.
struct Filter
{
    QString text;
    QStringList patterns;
};

QList<Filter> filters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<Filter> entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*"); // every name, with a dot or not
        entries.append({parts[i], patterns});
    }
    return entries;
}

std::unique_ptr<QFileDialog> makeDialog(QWidget *parent, const FileDialog::Request &request)
{
    auto dialog = std::make_unique<QFileDialog>(parent, request.title);
    // Qt's own dialog: it shows each filter's text as given and lets the patterns be set apart.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const bool save = request.purpose == FileDialog::Purpose::Save;
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name that does not exist reaches the program, which knows what to make of it.
    dialog->setFileMode(QFileDialog::AnyFile);
    const QList<Filter> entries = filters(request.filter);
    QStringList texts;
    for (const Filter &entry : entries)
        texts << entry.text;
    dialog->setNameFilters(texts);
    // Qt would read the patterns from the text's parentheses; these are the filter's own. The
    // file model matches them in either letter case.
    auto *model = dialog->findChild<QFileSystemModel *>();
    auto usePatterns = [entries, model, save, dialog = dialog.get()](const QString &text) {
        for (const Filter &entry : entries) {
            if (entry.text != text)
                continue;
            if (model)
                model->setNameFilters(entry.patterns);
            const QString &first = entry.patterns.value(0);
            if (save) // "plot" under "*.csv" is plot.csv; under "*" it stays as typed
                dialog->setDefaultSuffix(first.startsWith(QLatin1String("*.")) ? first.mid(2) : QString());
        }
    };
    QObject::connect(dialog.get(), &QFileDialog::filterSelected, dialog.get(), usePatterns);
    if (!texts.isEmpty())
        usePatterns(texts.first());
    return dialog;
}

} // namespace

void WidgetFileDialog::endInteraction()
{
    m_ended = true;
    if (m_open)
        m_open->reject();
}

std::optional<QString> WidgetFileDialog::open(const Request &request)
{
    if (m_ended)
        return std::nullopt;
    const std::unique_ptr<QFileDialog> dialog = makeDialog(m_parent, request);
    m_open = dialog.get();
    if (dialog->exec() != QDialog::Accepted || m_ended || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().first();
}
