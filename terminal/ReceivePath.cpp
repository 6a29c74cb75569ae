#include "terminal/frmTerminal.h"

#include "settings/frmProperties.h"
#include "terminal/AppState.h"
#include "terminal/TerminalView.h"
#include "terminal/UserDialogs.h"

#include <QTextBlock>
#include <QTextCursor>

void frmTerminal::MSComm1_OnComm()
{
    if (appState().ProgMode)
        return;
    if (MSComm1->CommEvent() != MSComm::kDataReceived)
        return;
    receiveWaitingInput();
}

void frmTerminal::receiveWaitingInput()
{
    // Latin-1 maps every byte to the character of the same code and back.
    QString text = QString::fromLatin1(MSComm1->Input());
    bool ok = false;
    const int code = properties().txtEOLChar->text().trimmed().toInt(&ok);
    if (ok && code >= 0 && code <= 255 && text.contains(QChar(code)))
        EOLReceived = true;
    ShowData(txtTerm, text);
}

// Line breaks in the view are single characters; the log keeps CR LF.
void frmTerminal::ShowData(TerminalView *Term, QString &Data)
{
    QTextCursor cursor(Term->document());
    int n = Term->document()->characterCount() - 1;
    if (n > kViewSoftLimit) {
        cursor.setPosition(0);
        cursor.setPosition(kViewTrimBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        n = Term->document()->characterCount() - 1;
    }
    cursor.setPosition(n);

    for (qsizetype p = Data.indexOf(QChar(8)); p >= 0; p = Data.indexOf(QChar(8))) {
        if (p == 0) {
            // Nothing on the screen to erase: the backspace just goes.
            if (n > 0) {
                cursor.setPosition(n - 1);
                cursor.setPosition(n, QTextCursor::KeepAnchor);
            }
            Data.remove(0, 1);
        } else {
            Data.remove(p - 1, 2);
        }
    }
    Data.remove(QChar(10));
    Data.replace(QChar(13), QStringLiteral("\r\n"));

    QString shown = Data;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(shown);

    if (Failure failure = m_log.write(Data))
        m_services.messages.warn(*failure);

    cursor.movePosition(QTextCursor::End);
    Term->setTextCursor(cursor);
}

void frmTerminal::txtTerm_KeyPress(quint16 &KeyAscii)
{
    if (appState().ProgMode) {
        appState().ConsoleKey = KeyAscii;
        return;
    }
    if (!MSComm1->PortOpen())
        return;
    (void)MSComm1->Output(QByteArray(1, QChar(KeyAscii).toLatin1()));
    if (!appState().LocalEcho) {
        txtTerm->moveCursor(QTextCursor::End);
        KeyAscii = 0;
    }
}
