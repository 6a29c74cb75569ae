// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <csignal>
#include <iterator>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT delivered on the user-interface thread, where the window can close
// as its close box does. Only one may exist at a time: the handler has nowhere else to write.
class SignalWatch : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatch(QObject *parent = nullptr);
    ~SignalWatch() override;

signals:
    void received();

private:
    static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
    struct sigaction m_previous[std::size(kSignals)] = {};
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
