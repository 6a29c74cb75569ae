// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertiesModel.h"

#include <QString>

// Everything the Properties dialog shows and its OK applies, as one plain value: the port's number
// and line settings as the dialog's lists hold them, the echo and the text-transfer values.
struct Properties
{
    int port = 0; // 1 to 16; 0 when none is chosen
    QString speed;
    QString parity; // its letter, in either case
    QString dataBits;
    QString stopBits;
    int flow = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    bool echo = false;
    PropertyValues text;

    bool operator==(const Properties &) const = default;
};
