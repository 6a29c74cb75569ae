#include "terminal/frmTerminal.h"

#include "common/UserDialogs.h"
#include "terminal/TerminalView.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>

void frmTerminal::MSComm1_OnComm()
{
    if (m_app.ProgMode)
        return;
    if (MSComm1->CommEvent() != MSComm::kDataReceived)
        return;
    receiveWaitingInput();
}

void frmTerminal::receiveWaitingInput()
{
    // Latin-1 maps every byte to the character of the same code and back.
    QString text = QString::fromLatin1(MSComm1->Input());
    if (const std::optional<char16_t> eol = m_properties.eolCharacter(); eol && text.contains(QChar(*eol)))
        EOLReceived = true;
    m_received += text;
    if (!m_receivedFlush.isActive())
        m_receivedFlush.start();
}

namespace {

// Takes the backspaces out of the text with the characters they erase; tells whether one was
// left at the start, to erase the last character already on the screen.
bool takeBackspaces(QString &data)
{
    bool erasesShown = false;
    for (qsizetype p = data.indexOf(QChar(8)); p >= 0; p = data.indexOf(QChar(8), std::max<qsizetype>(p - 1, 0))) {
        if (p == 0) {
            erasesShown = true;
            data.remove(0, 1);
        } else {
            data.remove(p - 1, 2);
        }
    }
    return erasesShown;
}

// Line ends as the log keeps them: CR LF for every CR, LF alone dropped.
void normaliseLineEnds(QString &data)
{
    data.remove(QChar(10));
    data.replace(QChar(13), QStringLiteral("\r\n"));
}

} // namespace

void frmTerminal::showReceived()
{
    if (m_showingReceived)
        return;
    const QScopedValueRollback guard(m_showingReceived, true);
    m_receivedFlush.stop();
    // More than the view keeps: the front would be trimmed away unseen, so it goes to the log
    // alone and the view starts afresh.
    if (m_received.size() > kViewSoftLimit + kViewTrimBlock) {
        QString passing = m_received.left(m_received.size() - kViewSoftLimit);
        m_received.remove(0, passing.size());
        takeBackspaces(passing);
        normaliseLineEnds(passing);
        writeLog(passing);
        txtTerm->clear();
    }
    // In pieces no larger than the view trims at a time, so the view stays bounded. Text that
    // arrives meanwhile (a message box runs the event loop) joins the end of the queue.
    while (!m_received.isEmpty()) {
        QString piece = m_received.left(kViewTrimBlock);
        m_received.remove(0, piece.size());
        ShowData(txtTerm, piece);
    }
}

void frmTerminal::writeLog(const QString &text)
{
    if (Failure failure = m_log.write(text))
        m_services.messages.warn(*failure);
}

// Line breaks in the view are single characters; the log keeps CR LF.
void frmTerminal::ShowData(TerminalView *Term, QString &Data)
{
    showReceived(); // what came in before goes first
    QTextCursor cursor(Term->document());
    int n = Term->document()->characterCount() - 1;
    if (n > kViewSoftLimit) {
        cursor.setPosition(0);
        cursor.setPosition(kViewTrimBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        n = Term->document()->characterCount() - 1;
    }
    cursor.setPosition(n);
    // A backspace with nothing before it on the screen just goes.
    if (takeBackspaces(Data) && n > 0) {
        cursor.setPosition(n - 1);
        cursor.setPosition(n, QTextCursor::KeepAnchor);
    }
    normaliseLineEnds(Data);

    QString shown = Data;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(shown);
    writeLog(Data);

    cursor.movePosition(QTextCursor::End);
    Term->setTextCursor(cursor);
}

void frmTerminal::txtTerm_KeyPress(quint16 &KeyAscii)
{
    if (m_app.ProgMode) {
        m_app.ConsoleKey = KeyAscii;
        return;
    }
    if (!MSComm1->PortOpen())
        return;
    (void)MSComm1->Output(QByteArray(1, QChar(KeyAscii).toLatin1()));
    if (!m_app.LocalEcho) {
        txtTerm->moveCursor(QTextCursor::End);
        KeyAscii = 0;
    }
}
