// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/HexView.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void frmTerminal::buildViewMenu()
{
    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    QAction *stamps = mnuView->addAction(QStringLiteral("&Time Stamps"));
    stamps->setObjectName(QStringLiteral("mnuTimeStamps"));
    QAction *hex = mnuView->addAction(QStringLiteral("&Hex"));
    hex->setObjectName(QStringLiteral("mnuHex"));
    for (QAction *item : {stamps, hex})
        item->setCheckable(true);
    connect(stamps, &QAction::triggered, this, &frmTerminal::mnuTimeStamps_Click);
    connect(hex, &QAction::triggered, this, &frmTerminal::mnuHex_Click);
}

void frmTerminal::mnuTimeStamps_Click(bool on)
{
    drawNow();                         // the stamps start over the lines on the screen
    (void)m_session.setTimeStamps(on); // a failure is shown
    showReceiveViews();
}

void frmTerminal::mnuHex_Click(bool on)
{
    (void)m_session.setHexView(on);
    showReceiveViews();
}

void frmTerminal::showReceiveViews()
{
    const ReceiveViews &views = m_session.views();
    menuItem(QStringLiteral("mnuTimeStamps"))->setChecked(views.timeStamps());
    menuItem(QStringLiteral("mnuHex"))->setChecked(views.hexDump());
    if (views.timeStamps())
        txtTerm->setLineLabels([this](int line) { return m_shownStamps.label(line); }, QStringLiteral("00:00:00.000"));
    else
        txtTerm->setLineLabels({}, {});
    // The console speaks in the text view.
    const bool hex = views.hexDump() && !m_programmingShown;
    QWidget *shown = hex ? static_cast<QWidget *>(m_hexView) : txtTerm;
    const bool hadFocus = txtTerm->hasFocus() || m_hexView->hasFocus();
    m_hexView->setVisible(hex);
    txtTerm->setVisible(!hex);
    if (hadFocus)
        shown->setFocus();
    drawReceiveViews();
}

void frmTerminal::drawReceiveViews()
{
    const ReceiveViews &views = m_session.views();
    if (const LineStamps *stamps = views.timeStamps()) {
        m_shownStamps = *stamps;
        txtTerm->updateLineLabels();
    }
    if (const HexDump *dump = views.hexDump())
        m_hexView->setDump(*dump);
}
