// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/UserDialogs.h"
#include "serial/MSComm.h"
#include "serial/Reconnection.h"
#include "settings/Properties.h"

#include <QObject>
#include <optional>

class SettingsStore;
class PropertiesModel;
struct AppState;

// The terminal's port as the user sees it: its number, format and open state, the wait for a
// device that went away, the status bar's words for all of it, and the user's ways to change
// them. Programming mode may borrow the port's device (an adapter taken into bit-bang): the
// port then shows as it was until it is given back.
class PortControl : public QObject
{
    Q_OBJECT
public:
    // What start-up took from the store, for the toolbar's lists to show.
    struct Stored
    {
        bool complete = false; // false: a refused value was shown and start-up stops there
        std::optional<QString> speedText;
        std::optional<QString> portText;
    };

    // How long a device given back by programming mode may take to come back.
    static constexpr int kDeviceReturnMs = 3000;

    // mayReopen says whether a lost device may be reopened now (not while a chip is held, say).
    PortControl(MSComm::DeviceFactory factory, MessageBox &messages, std::function<bool()> mayReopen,
                QObject *parent = nullptr);

    // For the rooms that drive the port's lines and send on it.
    MSComm &comm() { return m_comm; }
    const MSComm &comm() const { return m_comm; }

    // Start-up with the stored format, number and flow control; a refusal is shown, naming the
    // store's file, the key, the value and what is used instead.
    Stored load(const SettingsStore &store, const QString &settings, const QString &port, const QString &handshaking);

    // The user's open or close; a port that waits for its device is closed for good.
    void toggle();
    // The Properties dialog's OK, or a pick in the toolbar's lists: applied in the dialog's
    // order, everything stored when the port took it all; a refusal is shown and comes back.
    Failure apply(const Properties &chosen, AppState &app, SettingsStore &store, PropertiesModel &model);

    bool isOpen() const { return m_comm.PortOpen() || m_lent; }
    bool waiting() const { return m_reconnection.waiting(); }
    bool reconnectsAutomatically() const { return m_reconnectAutomatically; }
    void setReconnectAutomatically(bool on);
    // The status bar's text for the port: its settings, or what it connects to or waits for.
    QString statusText() const;
    // The format in force: as the far end reports it, where it does (a network port's server).
    LineFormat formatInForce() const { return m_comm.reportedFormat().value_or(m_comm.format()); }
    QString settingsText() const { return formatInForce().settingsText(); }

    // Programming mode takes the device away from the serial driver (the port closes, but shows
    // as before), and gives it back: the port opens again as soon as the device is back. A
    // refusal comes back for the caller to say, unless the port waits for the device, as for a
    // lost one, because reconnection is on.
    void lend();
    Failure takeBack();
    bool lent() const { return m_lent; }

signals:
    void dataReceived(const QByteArray &bytes);
    // Open, closed, waiting, reopened: the commands and the status follow.
    void stateChanged();
    // The open device went away; the port waits for it when reconnection is on.
    void lost(const QString &description);
    // A write that failed other than by the device going away, once per run of failures.
    void writeFailed(const QString &description);
    // The format in force changed by the far end's word, not by the user's choice.
    void formatReported();

private:
    void onLost(const QString &description);
    void onConnectFailed(const QString &why);
    void beginWaiting(const QString &why);

    MessageBox &m_messages;
    MSComm m_comm;
    Reconnection m_reconnection;
    bool m_reconnectAutomatically = true;
    bool m_lent = false;
    bool m_reconnected = false; // the last open was the reconnection's
    QString m_lostDevice;       // what the status bar says the port waits for
};
