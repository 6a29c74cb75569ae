// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>
#include <iterator>
#include <signal.h>

// Ctrl-C, a hang-up or a termination request while the chip is held: noted, so that the run
// stops between two bytes and releases the target.
// Only one may exist at a time: the signal handler has nowhere else to leave the note.
class InterruptWatch
{
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    bool requested() const;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)];
};
