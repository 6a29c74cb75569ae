#include "terminal/frmTerminal.h"

#include "common/UserDialogs.h"
#include "terminal/TerminalView.h"

#include <QElapsedTimer>

void frmTerminal::MSComm1_OnComm()
{
    if (m_app.ProgMode)
        return;
    if (MSComm1->CommEvent() != MSComm::kDataReceived)
        return;
    receive(MSComm1->Input());
}

void frmTerminal::receiveWaitingInput()
{
    // Bytes that came after the last notification; nothing waiting is no notification.
    const QByteArray bytes = MSComm1->Input();
    if (!bytes.isEmpty())
        receive(bytes);
}

void frmTerminal::receive(const QByteArray &bytes)
{
    // Latin-1 maps every byte to the character of the same code and back.
    QString text = QString::fromLatin1(bytes);
    if (const std::optional<char16_t> eol = m_properties.eolCharacter(); eol && text.contains(QChar(*eol)))
        EOLReceived = true;
    ShowData(txtTerm, text);
}

void frmTerminal::ShowData(TerminalView *, QString &Data)
{
    m_text.showData(Data);
    if (Failure failure = m_log.write(Data))
        m_services.messages.warn(*failure);
    scheduleDraw();
}

void frmTerminal::scheduleDraw()
{
    // At most about 30 draws a second, and fewer when a draw and its paint grow dear (a large
    // window, very long lines, a slow machine), so that a fast board costs little more than
    // reading it. The last change is drawn within one interval of it.
    const qint64 interval = std::max<qint64>(kDrawIntervalMs, qint64(kDrawShare * m_frameMs));
    const qint64 wait = interval - m_sinceDraw.elapsed();
    if (wait <= 0)
        drawNow();
    else if (!m_drawTimer.isActive())
        m_drawTimer.start(int(wait));
}

void frmTerminal::drawNow()
{
    m_drawTimer.stop();
    if (!m_text.changed())
        return;
    QElapsedTimer cost;
    cost.start();
    txtTerm->draw(m_text.text(), m_text.takeChange());
    m_frameMs = double(cost.nsecsElapsed()) / 1e6;
    m_paintPending = true;
    m_sinceDraw.restart();
}

void frmTerminal::txtTerm_KeyPress(quint16 &KeyAscii)
{
    if (m_app.ProgMode) {
        m_app.ConsoleKey = KeyAscii;
        return;
    }
    if (!MSComm1->PortOpen())
        return;
    (void)MSComm1->Output(QByteArray(1, char(KeyAscii)));
    if (!m_app.LocalEcho) {
        txtTerm->moveCursor(QTextCursor::End);
        KeyAscii = 0;
    }
}
