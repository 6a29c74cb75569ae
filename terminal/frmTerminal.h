// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/LineStamps.h"
#include "session/TerminalSession.h"
#include "terminal/ClickableLabel.h"
#include "terminal/ClientArea.h"
#include "terminal/CommandBar.h"
#include "terminal/DrawPacer.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class frmAbout;
class frmProperties;

// The main window: builds the widgets, hands the user's actions to the session and draws what
// the session says.
class frmTerminal : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kDesignClientWidth = 9150; // twips
    static constexpr int kDesignClientHeight = 6825;

    struct Services
    {
        std::function<QString(int port)> describePort;
        MessageBox &messages; // the About box's
    };

    frmTerminal(TerminalSession &session, Services services, QWidget *parent = nullptr);
    ~frmTerminal() override;

    // Every menu item, toolbar button and indicator set from the one rule over the session's facts.
    void EnableMenuSystem();
    void mmuResendTextFile() { m_session.resendTextFile(); }
    void mmuReset_Click();
    void mmuProg_Click() { m_session.toggleProgramming(); }
    // A termination signal: the window closes as its close box does, and asks nothing.
    void closeWithoutAsking();

    // The Properties dialog, made when first asked for and gone after OK or Cancel.
    frmProperties &propertiesDialog();
    TerminalView *view() const { return m_area.txtTerm; }
    HexView *hexView() const { return m_area.hexView; }
    PlotView *plotView() const { return m_area.plotView; }
    QAction *menuItem(const QString &name) const { return m_commands->item(name); }
    QAction *toolButton(const QString &key) const { return m_commands->button(key); }
    QString statusText() const { return m_area.sbrStatus->text(); }
    // Draws what the view does not show yet.
    void drawNow();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Form_Load();
    void Form_Unload(bool &Cancel);
    void Form_Resize() { m_area.arrange(); }
    void mnuFileExit_Click() { close(); }
    void mnuOpen_Click() { m_session.togglePort(); }
    void mnuReconnect_Click(bool on);
    void cboPort_Click(int index);
    void cboSpeed_Click(int index);
    void sbrStatus_PanelClick() { m_session.stopTransfer(); }
    void txtTerm_KeyPress(quint16 &KeyAscii);
    void mnuProperties_Click();
    void mmuAbout_Click();
    void mnuOpenLog_Click() { m_session.openLog(); }
    void mnuCloseLog_Click() { m_session.closeLog(); }
    void mnuSendText_Click() { m_session.sendTextFile(); }
    void cmdCancelSend_Click() { m_session.cancelDownload(); }
    void mnuTimeStamps_Click(bool on);
    void mnuHex_Click(bool on);
    void mnuPlot_Click(bool on);
    void mnuSavePlot_Click() { m_session.savePlot(std::bind_front(&ClientArea::savePlot, &m_area)); }

    void connectControls();
    void connectCommands();
    void connectSession();
    void showPortLists();
    void showProgramming(bool on);
    void showReceiveViews();
    void drawReceiveViews();

    TerminalSession &m_session;
    Services m_services;
    ClientArea m_area;
    std::optional<CommandBar> m_commands;
    QPointer<frmProperties> m_dialog;
    QPointer<frmAbout> m_about;
    DrawPacer m_pacer;
    bool m_paintPending = false;     // the last draw is not painted yet
    bool m_askBeforeDropping = true; // a termination signal drops unsent output without asking
    LineStamps m_shownStamps;        // as drawn: the view's lines are those of the last draw
    bool m_programmingShown = false;
};
