// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/InterruptWatch.h"

namespace {
// Written by the signal handler, read between bytes; nothing else is safe in a handler.
volatile std::sig_atomic_t interruptSignal = 0;

void noteInterrupt(int signal)
{
    interruptSignal = signal;
}
} // namespace

InterruptWatch::InterruptWatch()
{
    interruptSignal = 0;
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // every request only adds to the note: the release must still run
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

InterruptWatch::~InterruptWatch()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
}

bool InterruptWatch::requested() const
{
    return interruptSignal != 0;
}
