#include "terminal/TerminalView.h"

#include <QKeyEvent>

TerminalView::TerminalView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setUndoRedoEnabled(false); // an undo stack would grow without bound under a stream
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setFont(QFont(QStringLiteral("Monospace")));
}

void TerminalView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (m_keyPress && text.size() == 1) {
        quint16 keyAscii = text.at(0).unicode();
        m_keyPress(keyAscii);
        if (keyAscii == 0) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}
