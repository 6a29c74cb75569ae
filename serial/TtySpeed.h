// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sets a tty's speed in both directions to any rate the driver takes, not only the rates termios
// names (31250, 250000, 1500000, ...). Kept apart: the kernel's termios2 and the C library's
// termios cannot be declared in one file. Returns 0, or -1 with errno set.
int setTtySpeed(int fd, int bitsPerSecond);
