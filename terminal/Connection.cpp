#include "terminal/frmTerminal.h"

#include "settings/frmProperties.h"
#include "terminal/AppState.h"
#include "terminal/ClickableLabel.h"
#include "terminal/UserDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QToolBar>

void frmTerminal::mnuOpen_Click()
{
    if (Failure failure = MSComm1->setPortOpen(!MSComm1->PortOpen()))
        m_services.messages.warn(*failure);
    showPortState();
}

void frmTerminal::showPortState()
{
    const bool open = MSComm1->PortOpen();
    toolButton(QStringLiteral("Prog"))->setEnabled(open);
    menuItem(QStringLiteral("mnuOpen"))->setChecked(open);
    menuItem(QStringLiteral("mnuSendText"))->setEnabled(open);
    toolButton(QStringLiteral("TransmitTextFile"))->setEnabled(open);
    if (!LastTextFile.isEmpty())
        toolButton(QStringLiteral("ResendTextFile"))->setEnabled(open);
    imgConnected->setVisible(open);
    imgNotConnected->setVisible(!open);
    setStatusText(open ? QStringLiteral("Settings: ") + MSComm1->Settings() : QStringLiteral("Settings: "));
}

void frmTerminal::onPortLost(const QString &description)
{
    // What ran on the port ends first, so that the window then shows the closed port.
    leaveProgrammingMode();
    m_sender.abort();
    showPortState();
    m_services.messages.warn(description);
}

void frmTerminal::cboPort_Click(int index)
{
    if (appState().ProgMode) {
        // Moving the port would pull it from under the console and the chip it holds in reset.
        cboPort->setCurrentIndex(MSComm1->CommPort() - 1);
        return;
    }
    frmProperties &dialog = properties();
    dialog.cboPort->setCurrentIndex(index);
    dialog.cmdOK_Click();
}

void frmTerminal::sbrStatus_PanelClick()
{
    appState().StopSending = true;
}

void frmTerminal::EnableMenuSystem(const bool &e)
{
    mnuFile->setEnabled(e);
    mnuFile->menuAction()->setEnabled(e);
    mnuPort->setEnabled(e);
    mnuPort->menuAction()->setEnabled(e);
    mmuAbout->setEnabled(e);
    for (QAction *action : tbrToolBar->actions())
        action->setEnabled(e);
    imgConnected->setEnabled(e);
    if (!e)
        return;
    // Back to what the port, log and last-file states allow, not everything on.
    const bool open = MSComm1->PortOpen();
    toolButton(QStringLiteral("Prog"))->setEnabled(open);
    toolButton(QStringLiteral("TransmitTextFile"))->setEnabled(open);
    toolButton(QStringLiteral("ResendTextFile"))->setEnabled(open && !LastTextFile.isEmpty());
    toolButton(QStringLiteral("CloseLogFile"))->setEnabled(menuItem(QStringLiteral("mnuCloseLog"))->isEnabled());
}
