// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waiting inside an event handler. The long operations (a transfer, the console, the chip's
// timed waits, the drain at exit) run inside the handler that started them, so every wait lets
// the other handlers run underneath and sleeps until something happens: never a busy loop.
namespace EventWait {
// Runs what is pending and returns at once.
void pending();
// Runs what is pending, or else sleeps until the next event (a key, a tick, a notification).
void next();
// As next(), awake again after at most maxMs: for a condition that no event announces.
void next(int maxMs);
// Sleeps through events until done() holds.
template <typename Done>
void until(Done done)
{
    while (!done())
        next();
}
} // namespace EventWait
