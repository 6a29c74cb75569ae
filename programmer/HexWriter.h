// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// Memory contents as Intel-HEX text that srec_cat and objcopy read back byte for byte:
// 16 data bytes a record, upper case, an extended linear address record wherever the upper
// 16 address bits change, and the end record.
namespace HexWriter {
QByteArray toIntelHex(quint32 firstAddress, const QByteArray &bytes);
} // namespace HexWriter
