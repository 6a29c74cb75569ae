// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/TtySpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

int setTtySpeed(int fd, int bitsPerSecond)
{
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = tio.c_ospeed = speed_t(bitsPerSecond);
    return ::ioctl(fd, TCSETS2, &tio);
}
