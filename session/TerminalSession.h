// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AppState.h"
#include "common/Waits.h"
#include "session/CommandStates.h"
#include "session/PortControl.h"
#include "session/ProgrammingMode.h"
#include "session/ReceivePipeline.h"
#include "session/TransferHost.h"
#include "settings/Properties.h"
#include "settings/PropertiesModel.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QObject>
#include <optional>

// Everything the terminal does, without a widget, made of rooms with one job each: the port, what
// it receives, programming mode and the text transfer. The window hands the user's actions to the
// calls below and draws what the signals say.
class TerminalSession : public QObject
{
    Q_OBJECT
public:
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

    // What start-up reads from the store, in one reading.
    struct Stored
    {
        QString formWidth;
        QString formHeight;
        QString settings;
        QString commPort;
        QString handshaking;
        QString lastTextFile;
        QString echo;
        QString timeStamps;
        QString hexView;
        QString plot;
        QString autoReconnect;

        static Stored read(const SettingsStore &store);
    };

    // What the window shows of start-up: its size as stored, and the toolbar's lists.
    struct Started
    {
        QString formWidth;
        QString formHeight;
        PortControl::Stored port;
    };

    enum class Key {
        ToConsole, // programming mode has it
        EditsView, // the port is closed: only the view changes
        Echoed,    // sent, and the view shows it
        Sent,      // sent only
        Refused,   // nothing is sent, nothing shown; the status bar says why
    };

    enum class Close {
        Now,   // everything is closed and stored: the window may go
        Stay,  // the user chose to stay
        Later, // the console ends first and frees the chip; closeResumed follows
    };

    explicit TerminalSession(Services services, QObject *parent = nullptr);

    // Start-up from the store: the port's format, number and flow control, then the last text
    // file, the echo and the RTS line; the views and reconnection whatever the port's values were.
    Started start();
    // Closing: a console that holds the chip ends first; unsent output may drain (asking, after the
    // drain wait, unless told to end without asking); the port and the log close; the last text
    // file is stored with what the window keeps of itself.
    Close requestClose(bool askBeforeDropping, const SettingsStore::Entries &windowState);

    // The port.
    void togglePort();
    // The toolbar's lists. False: refused, and said so, but in programming mode, where the list
    // just goes back.
    bool choosePort(int port);
    bool chooseSpeed(const QString &speed);
    // False: the store could not keep the choice, and said so.
    bool setReconnectAutomatically(bool on);
    bool reconnectsAutomatically() const { return m_port.reconnectsAutomatically(); }
    QString portSettings() const { return m_port.settingsText(); }

    // The Properties dialog: the values it shows, its edits as they are made, and its OK (a
    // refusal is shown and comes back) or Cancel.
    Properties properties();
    void editProperties(const PropertyValues &values) { m_properties.edit(values); }
    Failure applyProperties(const Properties &chosen);
    void discardProperties() { m_properties.discard(); }

    // Keys and the view.
    Key typeKey(quint16 key);
    void viewEdited(qsizetype position, qsizetype length, const QString &with);
    const QString &text() const { return m_received.text(); }
    bool textChangedSinceDrawn() const { return m_received.textChangedSinceDrawn(); }
    TerminalText::Change takeTextChange() { return m_received.takeTextChange(); }
    const ReceiveViews &views() const { return m_received.views(); }
    bool setTimeStamps(bool on); // false: the store could not keep it, and said so
    bool setHexView(bool on);
    bool setPlot(bool on);
    // Nothing while the plot is off.
    PlotModel *plot() { return m_received.plot(); }

    // Commands.
    void openLog();
    void closeLog();
    // Asks where, then hands the path to save, which writes it; its refusal is said.
    void savePlot(const std::function<Failure(const QString &path)> &save);
    void sendTextFile();
    void resendTextFile();
    void stopTransfer() { m_app.StopSending = true; }
    Key resetTarget(); // reset pulsed, then a space for the firmware's autobaud
    void toggleProgramming();
    void cancelDownload() { m_app.CancelSend = true; }
    bool consoleAtPrompt() const { return m_programming.atPrompt(); }

    CommandFacts facts() const;
    QString lastTextFile() const { return m_transfer.lastTextFile(); }

signals:
    void textChanged();     // ShowData changed the view's text
    void drawRequested();   // what is on the screen must be up to date now
    void commandsChanged(); // a fact behind the offered commands changed
    void statusChanged(const QString &text);
    void portFormatReported(); // the port's far end has another format in force: the lists show it
    void captionChanged(const QString &caption);
    void textColourChanged(quint32 rgb);
    void programmingChanged(bool on);
    void progressChanged(int maximum, int value);
    void closeResumed(); // a close that waited for the console may go on

private:
    void connectRooms();
    void loadRest(const Stored &stored);
    bool drain(bool askBeforeDropping);
    void showPortState();
    void onPortLost(const QString &description);
    void warnIf(const Failure &failure);
    bool said(const Failure &failure); // true: there was none

    Services m_services;
    AppState m_app;
    PropertiesModel m_properties{m_services.store};
    PortControl m_port;
    ReceivePipeline m_received;
    ProgrammingMode m_programming;
    TransferHost m_transfer;
    bool m_closeWhenFree = false; // a close waits for the console to free the chip
};
