// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "terminal/HexView.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

void frmTerminal::drawNow()
{
    m_pacer.cancel();
    if (!m_session.textChangedSinceDrawn())
        return;
    QElapsedTimer cost;
    cost.start();
    m_area.txtTerm->draw(m_session.text(), m_session.takeTextChange());
    drawReceiveViews();
    m_pacer.drew(double(cost.nsecsElapsed()) / 1e6);
    m_paintPending = true;
}

void frmTerminal::txtTerm_KeyPress(quint16 &KeyAscii)
{
    switch (m_session.typeKey(KeyAscii)) {
    case TerminalSession::Key::Sent:
        m_area.txtTerm->moveCursor(QTextCursor::End);
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

void frmTerminal::mnuTimeStamps_Click(bool on)
{
    drawNow(); // the stamps start over the lines on the screen
    m_session.setTimeStamps(on);
    showReceiveViews();
}

void frmTerminal::mnuHex_Click(bool on)
{
    m_session.setHexView(on);
    showReceiveViews();
}

void frmTerminal::mnuPlot_Click(bool on)
{
    m_area.showPlot(nullptr, false); // the view goes before the model it draws; on, a new one comes
    m_session.setPlot(on);
    showReceiveViews();
}

void frmTerminal::showReceiveViews()
{
    const ReceiveViews &views = m_session.views();
    menuItem(QStringLiteral("mnuTimeStamps"))->setChecked(views.timeStamps());
    menuItem(QStringLiteral("mnuHex"))->setChecked(views.hexDump());
    menuItem(QStringLiteral("mnuPlot"))->setChecked(views.plot());
    if (views.timeStamps())
        m_area.txtTerm->setLineLabels([this](int line) { return m_shownStamps.label(line); },
                                      QStringLiteral("00:00:00.000"));
    else
        m_area.txtTerm->setLineLabels({}, {});
    m_area.showHexView(views.hexDump() && !m_programmingShown); // the console speaks in the text view
    m_area.showPlot(m_session.plot(), !m_programmingShown);
    drawReceiveViews();
}

void frmTerminal::drawReceiveViews()
{
    const ReceiveViews &views = m_session.views();
    if (const LineStamps *stamps = views.timeStamps()) {
        m_shownStamps = *stamps;
        m_area.txtTerm->updateLineLabels();
    }
    if (const HexDump *dump = views.hexDump())
        m_area.hexView->setDump(*dump);
}
