// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void holdClosedStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is fd itself, as every lower one is open by now.
        const int held = ::open("/dev/null", O_RDONLY);
        if (held != fd && held >= 0)
            ::close(held);
    }
}

bool writableDescriptor(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}
