// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QComboBox>

void frmTerminal::mnuProperties_Click()
{
    propertiesDialog().exec();
}

frmProperties &frmTerminal::propertiesDialog()
{
    if (!m_dialog) {
        m_dialog = new frmProperties({m_session.properties(), m_services.describePort,
                                      [this](const PropertyValues &values) { m_session.editProperties(values); },
                                      [this](const Properties &chosen) {
                                          const Failure failure = m_session.applyProperties(chosen);
                                          showPortLists();
                                          return failure;
                                      },
                                      [this] { m_session.discardProperties(); }},
                                     this);
        connect(m_dialog, &frmProperties::finishedWith, m_dialog, &QObject::deleteLater);
        connect(m_dialog, &frmProperties::finishedWith, this, [this] { m_dialog = nullptr; });
    }
    return *m_dialog;
}

void frmTerminal::mmuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_services.messages, SysInfoTools::native(), this);
    m_about->show();
    m_about->raise();
}

void frmTerminal::cboPort_Click(int index)
{
    m_session.choosePort(index + 1);
    showPortLists();
}

void frmTerminal::cboSpeed_Click(int index)
{
    m_session.chooseSpeed(m_area.cboSpeed->itemText(index));
    showPortLists();
}

void frmTerminal::showPortLists()
{
    // What the port uses, whatever was picked: a refused pick puts the list back.
    const Properties now = m_session.properties();
    m_area.cboPort->setEditText(QStringLiteral("Com%1").arg(now.port));
    m_area.cboSpeed->setEditText(now.speed);
}

void frmTerminal::mnuReconnect_Click(bool on)
{
    m_session.setReconnectAutomatically(on);
    EnableMenuSystem();
}

void frmTerminal::mmuReset_Click()
{
    if (m_session.resetTarget() == TerminalSession::Key::Sent)
        m_area.txtTerm->moveCursor(QTextCursor::End);
}

void frmTerminal::showProgramming(bool on)
{
    m_area.setBlack(on);
    m_programmingShown = on; // the console speaks in the text view
    showReceiveViews();
}

void frmTerminal::EnableMenuSystem()
{
    const CommandStates s = commandStates(m_session.facts());
    m_commands->show(s);
    m_area.show(s);
    menuItem(QStringLiteral("mnuReconnect"))->setChecked(m_session.reconnectsAutomatically());
}
