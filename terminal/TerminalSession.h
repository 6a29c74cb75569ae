// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/BackendChoice.h"
#include "common/AppState.h"
#include "common/Waits.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "log/LogCommands.h"
#include "programmer/Programmer.h"
#include "serial/MSComm.h"
#include "serial/Reconnection.h"
#include "settings/ApplyProperties.h"
#include "settings/PropertiesModel.h"
#include "settings/SettingsStore.h"
#include "terminal/CommandStates.h"
#include "terminal/ReceiveViews.h"
#include "terminal/TerminalText.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"
#include "transfer/TextSender.h"
#include "transfer/TransmitCommands.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

// Everything the terminal does, without a widget: the port and what it receives, the view's text,
// the log, the text sender, programming mode and its console. The window forwards the user's
// actions here and draws what the signals say.
class TerminalSession : public QObject, public SenderHost, public ConsoleHost
{
    Q_OBJECT
public:
    static constexpr quint32 kReceivedTextColour = 0x0000FF; // blue, outside programming mode

    struct Services
    {
        SettingsStore &store;
        MessageBox &messages;
        FileDialog &files;
        MSComm::DeviceFactory openDevice;
        Waits waits = {};
        // What a port offers the programmer besides its modem lines; none: the lines always.
        std::function<BitbangOffer(int port)> bitbangOf = {};
        ReceiveViews::Clock clock = &QDateTime::currentMSecsSinceEpoch;
    };

    // What start-up took from the store for the port, for the lists to show.
    struct StoredPort
    {
        bool complete = false; // false: a stored value was refused (and shown) and start-up stops there
        std::optional<QString> speedText;
        std::optional<QString> portText;
    };

    explicit TerminalSession(Services services, QObject *parent = nullptr);

    // What start-up takes from the store, read in one go with the window's own keys.
    static inline const SettingsStore::Entries kStoredKeys = {
        {QStringLiteral("Settings"), {}},     {QStringLiteral("CommPort"), {}},     {QStringLiteral("Handshaking"), {}},
        {QStringLiteral("LastTextFile"), {}}, {QStringLiteral("Echo"), {}},         {QStringLiteral("TimeStamps"), {}},
        {QStringLiteral("HexView"), {}},      {QStringLiteral("AutoReconnect"), {}}};
    // Start-up with those values: the port's format, number and flow control, then the last text
    // file and the echo; the time stamps, the hex view and reconnection whatever the port's values were.
    StoredPort load(const QStringList &stored);
    // Shut-down: waits for queued output to drain (asking, when it will not, unless told to end
    // without asking), closes the port and the log. False when the user chose to stay.
    bool unload(bool askBeforeDropping);

    // The port.
    void mnuOpen_Click();
    // The toolbar's lists: the dialog's OK with another port number, or another speed. A refusal
    // has been shown when it comes back, but for programming mode's, where the list just goes back.
    Failure choosePort(int port);
    Failure chooseSpeed(const QString &speed);
    void sbrStatus_PanelClick() { m_app.StopSending = true; }
    // A lost device's port reopens by itself when the device is back (the default), and the
    // choice is stored. These setters show a store that could not keep the choice, and return it.
    Failure setReconnectAutomatically(bool on);
    bool reconnectsAutomatically() const { return m_reconnectAutomatically; }
    bool waitsForDevice() const { return m_reconnection.waiting(); }
    // The dialog changed the port: the commands and the status follow.
    void showPortState();

    // Receive and keys.
    void MSComm1_OnComm(const QByteArray &bytes);
    void ShowData(QString &Data);
    enum class Key {
        ToConsole, // programming mode has it
        EditsView, // the port is closed: only the view changes
        Echoed,    // sent, and the view shows it
        Sent,      // sent only
        Refused,   // the port waits for its device: nothing is sent, nothing shown
    };
    Key txtTerm_KeyPress(quint16 KeyAscii);
    // An edit the view made by itself (typing with the port closed or with local echo).
    void viewEdited(qsizetype position, qsizetype length, const QString &with);
    // The View menu.
    const ReceiveViews &views() const { return m_views; }
    Failure setTimeStamps(bool on) { return shown(m_views.setTimeStamps(on, m_text.text())); }
    Failure setHexView(bool on) { return shown(m_views.setHexView(on)); }

    // Commands.
    void mnuOpenLog_Click();
    void mnuCloseLog_Click();
    void mnuSendText_Click() { m_transmit.mnuSendText_Click(); }
    void mmuResendTextFile() { m_transmit.mmuResendTextFile(); }
    void SendText() { m_sender.SendText(); }
    // Pulses reset, then sends a space for the firmware's autobaud.
    Key mmuReset_Click();
    // Enters programming mode and runs the console until it ends; in programming mode, leaves it.
    void mmuProg_Click();
    void cmdCancelSend_Click() { m_app.CancelSend = true; }
    // The console and its download stop at their next step; the chip stays held until they have.
    void stopProgramming();
    bool holdsTarget() const { return m_holdingTarget; }

    CommandFacts facts() const;
    // The view's text as the box holds it (CR LF for a line break); the view takes its changes.
    TerminalText &text() { return m_text; }
    MSComm &comm() { return MSComm1; }
    AppState &app() { return m_app; }
    PropertiesModel &propertiesModel() { return m_properties; }
    SettingsStore &store() { return m_services.store; }
    Timer3 &timer3() { return m_programmer.timer(); }

    // SenderHost
    Failure output(const QByteArray &bytes) override { return MSComm1.Output(bytes); }
    int pendingOutput() const override { return MSComm1.OutBufferCount(); }
    QString portSettings() const override { return MSComm1.format().settingsText(); }
    void setStatusText(const QString &text) override { emit statusChanged(text); }
    void setCaption(const QString &text) override { emit captionChanged(text); }
    void transferChanged(bool running) override;
    const PropertyValues &properties() override { return m_properties.values(); }
    bool eolReceived() const override { return EOLReceived; }
    void clearEolReceived() override { EOLReceived = false; }
    QString lastTextFile() const override { return LastTextFile; }
    bool lastTextFileKnown() const { return m_lastTextFileKnown; } // read at start-up or chosen since
    void setLastTextFile(const QString &path) override;
    MessageBox &messages() override { return m_services.messages; }
    FileDialog &files() override { return m_services.files; }
    PacingTimer &timer() override { return m_pacing; }

    // ConsoleHost
    void print(const QString &text) override;
    void setTextColour(quint32 rgb) override { emit textColourChanged(rgb); }
    std::optional<QString> chooseFile(const FileDialog::Request &request) override;
    void setDownloadRunning(bool running) override;
    void setProgress(int maximum, int value) override { emit progressChanged(maximum, value); }
    void leaveProgrammingMode() override;
    ChipMemory &chip() override { return m_programmer.chip(); }

signals:
    void textChanged();     // ShowData changed the view's text
    void drawRequested();   // what is on the screen must be up to date now
    void commandsChanged(); // a fact behind the offered commands changed
    void statusChanged(const QString &text);
    void captionChanged(const QString &caption);
    void textColourChanged(quint32 rgb);
    void programmingChanged(bool on);             // the view turns black, and back
    void progressChanged(int maximum, int value); // a negative maximum keeps the last one

private:
    StoredPort loadPort(const QString &settings, const QString &port, const QString &handshaking);
    void loadRest(const QString &lastTextFile, const QString &echo);
    Failure applyChoices(const PortChoices &choices);
    Failure shown(Failure failure); // warned of, and handed back
    bool enterProgramming();        // false: it could not begin, and has ended again
    void leaveProgramming();
    bool takeBitbang();
    void giveBackBitbang();
    void onPortLost(const QString &description);
    void onReconnected();

    Services m_services;
    AppState m_app;
    PropertiesModel m_properties{m_services.store};
    MSComm MSComm1{m_services.openDevice};
    Programmer m_programmer{MSComm1, m_services.waits.chipScale};
    BackendChoice m_bitbang; // while programming mode holds an FTDI chip in bit-bang
    PacingTimerOf<Timer3> m_pacing{m_programmer.timer()};
    Module1 m_console{*this, m_app};
    LogCommands m_log{m_services.files, m_services.messages};
    TerminalText m_text;
    ReceiveViews m_views{m_services.store, m_services.clock};
    TextSender m_sender{*this, m_app, m_services.waits.eolTimeoutMs};
    TransmitCommands m_transmit{*this, m_sender};
    QByteArray m_waitingInput; // received in programming mode
    QString LastTextFile;
    bool EOLReceived = false;
    bool m_lastTextFileKnown = false;
    bool m_reconnectAutomatically = true;
    QString m_lostDevice; // what the status bar says while the port waits for it
    Reconnection m_reconnection{MSComm1, [this] { return !m_holdingTarget; }};
    bool m_downloadRunning = false;
    bool m_transferRunning = false;
    bool m_holdingTarget = false; // programming mode holds the chip, until the console has ended
};
