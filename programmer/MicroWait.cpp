// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/MicroWait.h"

#include "common/EventWait.h"

void MicroWait::wait(std::chrono::nanoseconds length)
{
    m_wake.start(length);
    EventWait::until([this] { return !m_wake.isActive(); });
}
