#include "terminal/frmTerminal.h"

#include "common/UserDialogs.h"
#include "settings/ApplyProperties.h"
#include "terminal/ClickableLabel.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

void frmTerminal::mnuOpen_Click()
{
    if (Failure failure = MSComm1->setPortOpen(!MSComm1->PortOpen()))
        m_services.messages.warn(*failure);
    showPortState();
    if (!MSComm1->PortOpen() && m_sender.isRunning()) {
        m_sender.abort();
        m_services.messages.warn(QStringLiteral("The port was closed: the transfer of %1 ended").arg(LastTextFile));
    }
}

void frmTerminal::showPortState()
{
    EnableMenuSystem();
    const bool open = MSComm1->PortOpen();
    setStatusText(open ? QStringLiteral("Settings: ") + MSComm1->Settings() : QStringLiteral("Settings: "));
}

void frmTerminal::onPortLost(const QString &description)
{
    // What ran on the port ends, so that the window shows the closed port.
    stopProgramming();
    m_sender.abort();
    showPortState();
    m_services.messages.warn(description);
}

void frmTerminal::cboPort_Click(int index)
{
    if (m_app.ProgMode) {
        // Moving the port would pull it from under the console and the chip it holds in reset.
        cboPort->setEditText(QStringLiteral("Com%1").arg(MSComm1->CommPort()));
        return;
    }
    // The dialog's OK with this port and everything else as the port has it now.
    const Failure failure =
        applyProperties(currentChoices(*MSComm1, m_app, index + 1), *MSComm1, m_app, m_services.store, m_properties);
    showPortState();
    if (failure) {
        m_services.messages.warn(*failure);
        return;
    }
    m_properties.discard();
}

void frmTerminal::sbrStatus_PanelClick()
{
    m_app.StopSending = true;
}

void frmTerminal::EnableMenuSystem()
{
    const CommandStates s = commandStates({MSComm1->PortOpen(), m_log.isOpen(), !LastTextFile.isEmpty(),
                                           m_holdingTarget, m_transferRunning, m_downloadRunning});
    for (QMenu *menu : {mnuFile, mnuPort}) {
        menu->setEnabled(s.menus);
        menu->menuAction()->setEnabled(s.menus);
    }
    mmuAbout->setEnabled(s.menus);
    const std::pair<const char *, bool> items[] = {{"mnuSendText", s.mnuSendText},
                                                   {"mnuResendTextFile", s.mnuResendTextFile},
                                                   {"mnuOpenLog", s.mnuOpenLog},
                                                   {"mnuCloseLog", s.mnuCloseLog}};
    for (const auto &[name, on] : items)
        menuItem(QString::fromLatin1(name))->setEnabled(on);
    menuItem(QStringLiteral("mnuOpen"))->setChecked(s.mnuOpenChecked);
    const std::pair<const char *, bool> buttons[] = {{"OpenLogFile", s.OpenLogFile},
                                                     {"CloseLogFile", s.CloseLogFile},
                                                     {"Properties", s.Properties},
                                                     {"TransmitTextFile", s.TransmitTextFile},
                                                     {"ResendTextFile", s.ResendTextFile},
                                                     {"ResetCPU", s.ResetCPU},
                                                     {"Prog", s.Prog}};
    for (const auto &[key, on] : buttons)
        toolButton(QString::fromLatin1(key))->setEnabled(on);
    imgConnected->setVisible(s.imgConnectedShown);
    imgNotConnected->setVisible(!s.imgConnectedShown);
    imgConnected->setEnabled(s.imgConnectedEnabled);
    cmdCancelSend->setVisible(s.downloadControls);
    prgSend->setVisible(s.downloadControls);
}
