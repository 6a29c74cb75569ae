// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

void frmTerminal::tbrToolBar_ButtonClick(const QString &key)
{
    const QAction *button = toolButton(key);
    if (!button || !button->isEnabled())
        return;
    if (key == QLatin1String("OpenLogFile"))
        mnuOpenLog_Click();
    else if (key == QLatin1String("CloseLogFile"))
        mnuCloseLog_Click();
    else if (key == QLatin1String("Properties"))
        mnuProperties_Click();
    else if (key == QLatin1String("TransmitTextFile"))
        mnuSendText_Click();
    else if (key == QLatin1String("ResendTextFile"))
        mmuResendTextFile();
    else if (key == QLatin1String("ResetCPU"))
        mmuReset_Click();
    else if (key == QLatin1String("Prog"))
        mmuProg_Click();
}

void frmTerminal::mnuProperties_Click()
{
    propertiesDialog().exec();
}

frmProperties &frmTerminal::propertiesDialog()
{
    if (!m_dialog) {
        m_dialog = new frmProperties({m_session.comm(), m_session.store(), m_session.messages(), m_session.app(),
                                      m_session.propertiesModel(), m_services.describePort,
                                      [this] {
                                          m_session.showPortState();
                                          showPortLists();
                                      }},
                                     this);
        connect(m_dialog, &frmProperties::finishedWith, m_dialog, &QObject::deleteLater);
        connect(m_dialog, &frmProperties::finishedWith, this, [this] { m_dialog = nullptr; });
    }
    return *m_dialog;
}

void frmTerminal::mmuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_session.messages(), SysInfoTools::native(), this);
    m_about->show();
    m_about->raise();
}

void frmTerminal::cboPort_Click(int index)
{
    (void)m_session.choosePort(index + 1);
    showPortLists();
}

void frmTerminal::cboSpeed_Click(int index)
{
    (void)m_session.chooseSpeed(cboSpeed->itemText(index));
    showPortLists();
}

void frmTerminal::showPortLists()
{
    // What the port uses, whatever was picked: a refused pick puts the list back.
    cboPort->setEditText(QStringLiteral("Com%1").arg(m_session.comm().CommPort()));
    cboSpeed->setEditText(QString::number(m_session.comm().format().baudRate));
}

void frmTerminal::mnuReconnect_Click(bool on)
{
    (void)m_session.setReconnectAutomatically(on); // a failure is shown
}

void frmTerminal::mmuReset_Click()
{
    if (m_session.mmuReset_Click() == TerminalSession::Key::Sent)
        txtTerm->moveCursor(QTextCursor::End);
}

void frmTerminal::mmuProg_Click()
{
    m_session.mmuProg_Click();
    // A close that came while the console ran waited for the chip to go free.
    if (m_closeWhenIdle)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmTerminal::showProgramming(bool on)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Base, on ? QColor(Qt::black) : QApplication::palette().color(QPalette::Base));
    txtTerm->setPalette(palette);
    m_programmingShown = on; // the console speaks in the text view
    showReceiveViews();
}

void frmTerminal::setTextColour(quint32 rgb)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(rgb));
    txtTerm->setPalette(palette);
}

void frmTerminal::setProgress(int maximum, int value)
{
    if (maximum >= 0)
        prgSend->setMaximum(maximum);
    prgSend->setValue(value);
}

QString frmTerminal::statusText() const
{
    return sbrStatus->text();
}

void frmTerminal::EnableMenuSystem()
{
    const CommandStates s = commandStates(m_session.facts());
    for (QMenu *menu : {mnuFile, mnuPort, mnuView}) {
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
    imgNotConnected->setToolTip(s.indicatorWaits ? QStringLiteral("Waiting for the device; click to stop waiting")
                                                 : QStringLiteral("Connect"));
    menuItem(QStringLiteral("mnuReconnect"))->setChecked(m_session.reconnectsAutomatically());
    cmdCancelSend->setVisible(s.downloadControls);
    prgSend->setVisible(s.downloadControls);
}
