// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The toolbar's and indicators' pictures, drawn at run time so they stay sharp at any size.
namespace Icons {
enum class Kind { OpenLog, CloseLog, Properties, Transmit, Resend, Reset, Prog, Connected, NotConnected, Application };
QIcon make(Kind kind);
} // namespace Icons
