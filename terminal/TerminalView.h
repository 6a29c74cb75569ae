// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TerminalText.h"

#include <QPlainTextEdit>
#include <functional>

// The terminal view: draws a TerminalText, and is the keyboard. A CR LF of the text is a line
// break on the screen; a CR or LF on its own shows as its control picture (U+240D, U+240A), so
// that every character of the text has its place in the box. Character keys go first to a
// handler that may cancel them (set the code to 0) before the box inserts them; keys that give
// no character, and characters the 8-bit code page cannot carry, never reach it.
class TerminalView : public QPlainTextEdit
{
    Q_OBJECT
public:
    using KeyPressHandler = std::function<void(quint16 &keyAscii)>;

    explicit TerminalView(QWidget *parent = nullptr);
    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }
    // Runs before the box edits its text by itself, so that it edits the text as it is now.
    void setBeforeLocalEdit(std::function<void()> hook) { m_beforeLocalEdit = std::move(hook); }
    // The box's own edit, in the text's characters.
    void setLocalEditHandler(std::function<void(qsizetype position, qsizetype length, const QString &with)> handler)
    {
        m_localEdit = std::move(handler);
    }

    // Brings the box up to the text, redrawing only what changed.
    void draw(const QString &text, const TerminalText::Change &change);

    // A margin at the left with a label for each line, on its first row; none without labels.
    using LineLabel = std::function<QString(int line)>;
    void setLineLabels(LineLabel label, const QString &widest);
    QString lineLabel(int line) const { return m_lineLabel ? m_lineLabel(line) : QString(); }
    void updateLineLabels();

    // The text as the box shows it, and back.
    static QString rendered(QStringView text);
    static QString unrendered(QStringView shown);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void beforeLocalEdit();
    void onContentsChange();
    void drawAll(const QString &text);
    void paintMargin(QPaintEvent *event);

    KeyPressHandler m_keyPress;
    std::function<void()> m_beforeLocalEdit;
    std::function<void(qsizetype, qsizetype, const QString &)> m_localEdit;
    QString m_drawn; // the text as the box has it
    bool m_drawing = false;
    LineLabel m_lineLabel;
    QWidget *m_margin = nullptr;
};
