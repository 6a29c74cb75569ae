// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class MSComm;

// After a port loses its device: waits for the same device to come back and reopens the port with
// the settings it had. Looking costs a file-system check every fifth of a second; nothing runs
// in between.
class Reconnection : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLookEveryMs = 200;

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

    MSComm &m_comm;
    std::function<bool()> m_mayReopen;
    QTimer m_look;
    QString m_lastFailure;
    int m_port = 0; // the number the device was lost from
};
