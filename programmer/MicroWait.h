// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/WakeTimer.h"

#include <chrono>

// A wait finer than Timer3's milliseconds, asleep in the event loop, which handles events
// meanwhile. It leaves Timer3, and so the text sender's waits, alone.
class MicroWait
{
public:
    void wait(std::chrono::nanoseconds length);

private:
    WakeTimer m_wake;
};
