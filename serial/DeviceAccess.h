// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Why the user may not open a device, with the fix, in one line: users get serial devices through
// the group that owns them (dialout on Debian), which they join and then log in again. `shown` is
// how the message names the device.
QString accessDenied(const QString &path, const QString &shown);
