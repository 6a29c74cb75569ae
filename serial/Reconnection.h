// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class MSComm;

// After a port loses its device: waits for the same device to come back and reopens the port with
// the settings it had. Looking for a device on this machine costs a file-system check every fifth
// of a second; nothing runs in between. A device that connects after open() returns (a network
// port) can only be looked for by connecting, which costs its server a connection: those tries
// are spaced out, from a second doubling up to fifteen, and a server that takes the connection
// and drops it at once (its own device missing, say) is tried no faster than one that refuses.
class Reconnection : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLookEveryMs = 200;
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLastRetryMs = 15000;

    // mayReopen says whether the port may be reopened now (not while a chip is held, say).
    Reconnection(MSComm &comm, std::function<bool()> mayReopen, QObject *parent = nullptr);

    void begin();
    // The user closed the port: it is never reopened by itself. Moving it to another number
    // ends the wait too.
    void cancel();
    bool waiting() const;
    // Why the last try at a device that was back failed; empty when none failed.
    const QString &lastFailure() const { return m_lastFailure; }

signals:
    void reopened();
    void tryFailed(const QString &failure);

private:
    void look();
    void onConnected();
    void onConnectFailed(const QString &why);
    void failed(const QString &failure);
    int nextRetryMs();

    MSComm &m_comm;
    std::function<bool()> m_mayReopen;
    QTimer m_look;
    QString m_lastFailure;
    int m_port = 0;            // the number the device was lost from
    bool m_connecting = false; // a try is under way on a device that connects after open()
    int m_retryMs = kFirstRetryMs;
    QElapsedTimer m_reconnected; // since the last try that connected
};
