// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/Timer3.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"
#include "transfer/TextSender.h"
#include "transfer/TransmitCommands.h"

#include <QObject>

class PortControl;
class PropertiesModel;
class ReceivePipeline;
struct AppState;

// Where a text transfer runs: the last text file, the two commands that send it, and what the
// sender needs of the port, the receive path and the window.
class TransferHost : public QObject, public SenderHost
{
    Q_OBJECT
public:
    struct Services
    {
        MessageBox &messages;
        FileDialog &files;
        Timer3 &timer; // shared with the programmer
        int eolTimeoutMs;
    };

    TransferHost(Services services, PortControl &port, ReceivePipeline &received, PropertiesModel &properties,
                 AppState &app, QObject *parent = nullptr);

    // "&Transmit Text File..." and "&Re-transmit Text File"; each returns when its transfer has ended.
    void mnuSendText_Click() { m_commands.mnuSendText_Click(); }
    void mmuResendTextFile() { m_commands.mmuResendTextFile(); }
    // Ends a running transfer now, without a message (the window closes, the port went away).
    void abort() { m_sender.abort(); }
    // From the file choice until the transfer ends.
    bool running() const { return m_running; }
    bool sending() const { return m_sender.isRunning(); }
    int line() const { return m_sender.line(); } // the file's line being sent

    // Start-up's stored last text file; a start-up that stopped before it never knows it.
    void load(const QString &path);
    bool lastTextFileKnown() const { return m_lastTextFileKnown; }

    // SenderHost
    Failure output(const QByteArray &bytes) override;
    int pendingOutput() const override;
    QString portSettings() const override;
    void setStatusText(const QString &text) override { emit statusChanged(text); }
    void setCaption(const QString &text) override { emit captionChanged(text); }
    void transferChanged(bool running) override;
    const PropertyValues &properties() override;
    bool eolReceived() const override;
    void clearEolReceived() override;
    QString lastTextFile() const override { return m_lastTextFile; }
    void setLastTextFile(const QString &path) override;
    MessageBox &messages() override { return m_services.messages; }
    FileDialog &files() override { return m_services.files; }
    PacingTimer &timer() override { return m_pacing; }

signals:
    void statusChanged(const QString &text);
    void captionChanged(const QString &caption);
    void stateChanged(); // a transfer began or ended, or the last text file changed

private:
    Services m_services;
    PortControl &m_port;
    ReceivePipeline &m_received;
    PropertiesModel &m_properties;
    PacingTimerOf<Timer3> m_pacing{m_services.timer};
    TextSender m_sender;
    TransmitCommands m_commands{*this, m_sender};
    QString m_lastTextFile;
    bool m_lastTextFileKnown = false;
    bool m_running = false;
};
