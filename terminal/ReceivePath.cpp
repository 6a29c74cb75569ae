// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "terminal/TerminalView.h"

#include <QApplication>
#include <QElapsedTimer>

void frmTerminal::ShowData(TerminalView *, QString &Data)
{
    m_session.ShowData(Data);
}

void frmTerminal::scheduleDraw()
{
    // At most about 30 draws a second, and fewer when a draw and its paint grow dear (a flood,
    // a large window, very long lines, a slow machine), so that a fast board costs little more
    // than reading it. The timer starts again at every change: it fires when the interval is
    // up or the data pauses, whichever comes first, so a burst's end shows at once.
    const qint64 interval = std::max<qint64>(kDrawIntervalMs, qint64(kDrawShare * m_frameMs));
    const qint64 wait = interval - m_sinceDraw.elapsed();
    if (wait <= 0)
        drawNow();
    else
        m_drawTimer.start(int(std::min<qint64>(wait, kDrawPauseMs)));
}

void frmTerminal::drawNow()
{
    m_drawTimer.stop();
    TerminalText &text = m_session.text();
    if (!text.changed())
        return;
    QElapsedTimer cost;
    cost.start();
    txtTerm->draw(text.text(), text.takeChange());
    drawReceiveViews();
    m_frameMs = double(cost.nsecsElapsed()) / 1e6;
    m_paintPending = true;
    m_sinceDraw.restart();
}

void frmTerminal::txtTerm_KeyPress(quint16 &KeyAscii)
{
    switch (m_session.txtTerm_KeyPress(KeyAscii)) {
    case TerminalSession::Key::Sent:
        txtTerm->moveCursor(QTextCursor::End);
        KeyAscii = 0;
        break;
    case TerminalSession::Key::Refused:
        QApplication::beep(); // the status bar says why
        KeyAscii = 0;
        break;
    default:
        break;
    }
}
