#pragma once

#include "common/AppState.h"
#include "common/Waits.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "log/LogCommands.h"
#include "programmer/ChipMemory.h"
#include "programmer/LineDriver.h"
#include "programmer/TargetControl.h"
#include "programmer/Timer3.h"
#include "serial/MSComm.h"
#include "settings/PropertiesModel.h"
#include "terminal/CommandStates.h"
#include "terminal/SignalWatch.h"
#include "terminal/TerminalText.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"
#include "transfer/TextSender.h"
#include "transfer/TransmitCommands.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class ClickableLabel;
class FileDialog;
class MessageBox;
class QAction;
class QComboBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QWidget;
class SettingsStore;
class TerminalView;
class frmAbout;
class frmProperties;

// The main window: the terminal view, the serial port and every command.
class frmTerminal : public QMainWindow, public SenderHost, public ConsoleHost
{
    Q_OBJECT
public:
    static constexpr int kDesignClientWidth = 9150; // twips
    static constexpr int kDesignClientHeight = 6825;
    static constexpr int kDrawIntervalMs = 33; // at most about 30 draws a second while data streams,
    static constexpr int kDrawShare = 60;      // and drawing, paint included, takes at most 1/60 of the time
    static constexpr quint32 kReceivedTextColour = 0x0000FF; // blue, outside programming mode

    struct Services
    {
        SettingsStore &store;
        MessageBox &messages;
        FileDialog &files;
        MSComm::DeviceFactory openDevice;
        std::function<QString(int port)> describePort;
        Waits waits = {};
    };

    explicit frmTerminal(Services services, QWidget *parent = nullptr);
    ~frmTerminal() override;

    // Start-up and shut-down.
    void Form_Unload(bool &Cancel);
    void mnuFileExit_Click();

    // Port connection and status.
    void mnuOpen_Click();
    void cboPort_Click(int index);
    void sbrStatus_PanelClick();
    // Every menu item, toolbar button and indicator set from the one rule over the facts as
    // they are now; whatever changes a fact calls it.
    void EnableMenuSystem();

    // Receive path and keyboard.
    void MSComm1_OnComm();
    void ShowData(TerminalView *Term, QString &Data);
    void txtTerm_KeyPress(quint16 &KeyAscii);

    // Commands.
    void tbrToolBar_ButtonClick(const QString &key);
    void mnuProperties_Click();
    void mmuAbout_Click();
    void mnuOpenLog_Click();
    void mnuCloseLog_Click();
    void mnuSendText_Click() { m_transmit.mnuSendText_Click(); }
    void mmuResendTextFile() { m_transmit.mmuResendTextFile(); }
    void SendText() { m_sender.SendText(); }

    // Programmer.
    void mmuReset_Click();
    void mmuProg_Click();
    void cmdCancelSend_Click();
    Timer3 &timer3() { return m_timer3; }

    // SenderHost
    Failure output(const QByteArray &bytes) override { return MSComm1->Output(bytes); }
    int pendingOutput() const override { return MSComm1->OutBufferCount(); }
    void receiveWaitingInput() override;
    void setBinaryInputMode() override { MSComm1->setInputMode(1); }
    QString portSettings() const override { return MSComm1->Settings(); }
    void setStatusText(const QString &text) override;
    void setCaption(const QString &text) override { setWindowTitle(text); }
    void transferChanged(bool running) override;
    const PropertyValues &properties() override { return m_properties.values(); }
    bool eolReceived() const override { return EOLReceived; }
    void clearEolReceived() override { EOLReceived = false; }
    QString lastTextFile() const override { return LastTextFile; }
    void setLastTextFile(const QString &path) override;
    MessageBox &messages() override { return m_services.messages; }
    FileDialog &files() override { return m_services.files; }
    PacingTimer &timer() override { return m_pacing; }

    // ConsoleHost
    void print(const QString &text) override;
    void setTextColour(quint32 rgb) override;
    std::optional<QString> chooseFile(const FileDialog::Request &request) override;
    void setDownloadRunning(bool running) override;
    void setProgress(int maximum, int value) override;
    void leaveProgrammingMode() override;
    ChipMemory &chip() override { return m_chip; }

    // The Properties dialog, made when first asked for and gone after OK or Cancel.
    frmProperties &propertiesDialog();
    PropertiesModel &propertiesModel() { return m_properties; }
    AppState &app() { return m_app; }

    MSComm &comm() { return *MSComm1; }
    TerminalView *view() const { return txtTerm; }
    // The view's text as the box holds it (CR LF for a line break), drawn or not yet.
    const QString &viewText() const { return m_text.text(); }
    // Draws what the view does not show yet.
    void drawNow();
    QAction *toolButton(const QString &key) const;
    QAction *menuItem(const QString &name) const;
    QString statusText() const;
    QString LastTextFile;
    bool EOLReceived = false;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void receive(const QByteArray &bytes);
    void scheduleDraw();
    void buildMenus();
    void buildToolBar();
    void buildClientArea();
    void Form_Load();
    void loadWindowSize(const QString &storedWidth, const QString &storedHeight);
    bool applyStoredPort(const QString &settings, const QString &port, const QString &handshaking);
    void Form_Resize();
    void enterProgramming();
    void leaveProgramming();
    void stopProgramming();
    void showPortState();
    void onPortLost(const QString &description);

    Services m_services;
    AppState m_app;
    PropertiesModel m_properties{m_services.store};
    std::unique_ptr<MSComm> MSComm1;
    QPointer<frmProperties> m_dialog;
    bool m_unloadCancel = false;
    bool m_downloadRunning = false;
    bool m_transferRunning = false;
    bool m_holdingTarget = false;    // programming mode holds the chip, until the console has ended
    bool m_closeWhenIdle = false;    // a close waits for the console to end first
    bool m_askBeforeDropping = true; // a termination signal drops unsent output without asking
    Timer3 m_timer3;
    PacingTimerOf<Timer3> m_pacing{m_timer3};
    LineDriver m_lineDriver;
    TargetControl m_target;
    ChipMemory m_chip;
    Module1 m_console{*this, m_app};
    LogCommands m_log;
    TerminalText m_text;
    QTimer m_drawTimer;
    QElapsedTimer m_sinceDraw;
    double m_frameMs = 0;        // the last draw with its paint
    bool m_paintPending = false; // the last draw is not painted yet
    TextSender m_sender{*this, m_app, m_services.waits.eolTimeoutMs};
    TransmitCommands m_transmit{*this, m_sender};
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
    QAction *mmuAbout = nullptr;
};
