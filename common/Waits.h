// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every fixed wait of the program, in the one place that tests shorten. The program keeps the
// defaults.
struct Waits
{
    int drainMs = 10000;     // queued output may take this long at exit before the user is asked
    int eolTimeoutMs = 1500; // the sender's wait for the board's end-of-line character
    double chipScale = 1.0;  // the programmer's waits (reset pulse, enable, write, read), as a factor
};
