// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "terminal/SignalWatch.h"
#include "terminal/TerminalSession.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class ClickableLabel;
class HexView;
class QAction;
class QComboBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QWidget;
class TerminalView;
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
    static constexpr int kDrawIntervalMs = 33; // at most about 30 draws a second while data streams,
    static constexpr int kDrawShare = 200;     // and drawing, paint included, takes at most 1/200 of the time;
    static constexpr int kDrawPauseMs = 50;    // what came before a pause this long is drawn at once

    struct Services
    {
        TerminalSession::Services session;
        std::function<QString(int port)> describePort;
    };

    explicit frmTerminal(Services services, QWidget *parent = nullptr);
    ~frmTerminal() override;

    TerminalSession &session() { return m_session; }

    // Start-up and shut-down.
    void Form_Unload(bool &Cancel);
    void mnuFileExit_Click() { close(); }

    // Port connection and status.
    void mnuOpen_Click() { m_session.mnuOpen_Click(); }
    void mnuReconnect_Click(bool on);
    void cboPort_Click(int index);
    void cboSpeed_Click(int index);
    void sbrStatus_PanelClick() { m_session.sbrStatus_PanelClick(); }
    // Every menu item, toolbar button and indicator set from the one rule over the session's facts.
    void EnableMenuSystem();

    // Receive path and keyboard.
    void ShowData(TerminalView *Term, QString &Data);
    void txtTerm_KeyPress(quint16 &KeyAscii);

    // Commands.
    void tbrToolBar_ButtonClick(const QString &key);
    void mnuProperties_Click();
    void mmuAbout_Click();
    void mnuOpenLog_Click() { m_session.mnuOpenLog_Click(); }
    void mnuCloseLog_Click() { m_session.mnuCloseLog_Click(); }
    void mnuSendText_Click() { m_session.mnuSendText_Click(); }
    void mmuResendTextFile() { m_session.mmuResendTextFile(); }
    void mmuReset_Click();
    void mmuProg_Click();
    void cmdCancelSend_Click() { m_session.cmdCancelSend_Click(); }

    // The Properties dialog, made when first asked for and gone after OK or Cancel.
    frmProperties &propertiesDialog();

    TerminalView *view() const { return txtTerm; }
    HexView *hexView() const { return m_hexView; }
    // Draws what the view does not show yet.
    void drawNow();
    QAction *toolButton(const QString &key) const;
    QAction *menuItem(const QString &name) const;
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void connectSession();
    void scheduleDraw();
    void buildMenus();
    void buildToolBar();
    void buildClientArea();
    void Form_Load();
    void loadWindowSize(const QString &storedWidth, const QString &storedHeight);
    void Form_Resize();
    void showPortLists();
    void showProgramming(bool on);
    void setTextColour(quint32 rgb);
    void setProgress(int maximum, int value);
    // The View menu: time stamps in a margin of the view, and the hex view in the view's place.
    void buildViewMenu();
    void mnuTimeStamps_Click(bool on);
    void mnuHex_Click(bool on);
    void showReceiveViews();
    void drawReceiveViews();

    Services m_services;
    TerminalSession m_session;
    QPointer<frmProperties> m_dialog;
    bool m_closeWhenIdle = false;    // a close waits for the console to end first
    bool m_askBeforeDropping = true; // a termination signal drops unsent output without asking
    QTimer m_drawTimer;
    QElapsedTimer m_sinceDraw;
    double m_frameMs = 0;        // the last draw with its paint
    bool m_paintPending = false; // the last draw is not painted yet
    QPointer<frmAbout> m_about;
    SignalWatch m_signals;

    QWidget *m_client = nullptr;
    QToolBar *tbrToolBar = nullptr;
    TerminalView *txtTerm = nullptr;
    ClickableLabel *sbrStatus = nullptr;
    QWidget *Frame1 = nullptr;
    ClickableLabel *imgConnected = nullptr;
    ClickableLabel *imgNotConnected = nullptr;
    QComboBox *cboPort = nullptr;
    QComboBox *cboSpeed = nullptr;
    QProgressBar *prgSend = nullptr;
    QPushButton *cmdCancelSend = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuPort = nullptr;
    QMenu *mnuView = nullptr;
    HexView *m_hexView = nullptr;
    LineStamps m_shownStamps; // as drawn: the view's lines are those of the last draw
    bool m_programmingShown = false;
    QAction *mmuAbout = nullptr;
};
