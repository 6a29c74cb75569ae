#include "terminal/frmTerminal.h"

#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "settings/frmProperties.h"
#include "terminal/AppState.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>

void frmTerminal::mmuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_services.messages, SysInfoTools::native(), this);
    m_about->show();
    m_about->raise();
}

void frmTerminal::mnuOpenLog_Click()
{
    if (const auto state = m_log.mnuOpenLog_Click()) {
        setWindowTitle(state->caption);
        menuItem(QStringLiteral("mnuOpenLog"))->setEnabled(!state->logOpen);
        toolButton(QStringLiteral("OpenLogFile"))->setEnabled(!state->logOpen);
        menuItem(QStringLiteral("mnuCloseLog"))->setEnabled(state->logOpen);
        toolButton(QStringLiteral("CloseLogFile"))->setEnabled(state->logOpen);
    }
}

void frmTerminal::mnuCloseLog_Click()
{
    showReceived(); // the log gets everything received up to now
    const auto state = m_log.mnuCloseLog_Click();
    setWindowTitle(state.caption);
    menuItem(QStringLiteral("mnuOpenLog"))->setEnabled(true);
    toolButton(QStringLiteral("OpenLogFile"))->setEnabled(true);
    menuItem(QStringLiteral("mnuCloseLog"))->setEnabled(false);
    toolButton(QStringLiteral("CloseLogFile"))->setEnabled(false);
}

void frmTerminal::setTransmitEnabled(bool on)
{
    menuItem(QStringLiteral("mnuSendText"))->setEnabled(on);
    toolButton(QStringLiteral("TransmitTextFile"))->setEnabled(on);
}

void frmTerminal::setResendEnabled(bool on)
{
    menuItem(QStringLiteral("mnuResendTextFile"))->setEnabled(on);
    toolButton(QStringLiteral("ResendTextFile"))->setEnabled(on);
}

TransferSettings frmTerminal::transferSettings() const
{
    frmProperties &d = const_cast<frmTerminal *>(this)->properties();
    return {frmProperties::checkValue(d.chkStart) == 1, d.txtStartWord->text(), d.txtStartFileType->text(),
            d.txtStartDelay->text(), frmProperties::checkValue(d.chkWaitFor) == 1,
            frmProperties::checkValue(d.chkLineDelay) == 1, d.txtLineDelay->text()};
}
