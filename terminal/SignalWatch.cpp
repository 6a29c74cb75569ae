// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/SignalWatch.h"

#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

namespace {
// A handler may only write to a descriptor; the notifier reads it on the event loop.
volatile std::sig_atomic_t writeEnd = -1;

void note(int)
{
    const char byte = 1;
    if (writeEnd >= 0)
        (void)!::write(writeEnd, &byte, 1);
}
} // namespace

SignalWatch::SignalWatch(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("No pipe for termination signals: they end the program as they would without it");
        return;
    }
    writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        emit received();
    });
    struct sigaction action = {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

SignalWatch::~SignalWatch()
{
    if (m_pipe[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}
