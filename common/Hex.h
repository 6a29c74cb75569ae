// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Hex text as the console shows and reads it.
namespace Hex {
constexpr qint32 kInvalid = -5;

QString fByte(quint8 Value);               // always two upper-case digits
QString fWord(qint32 Value);               // four digits; negative values in decimal
qint32 hexToBinary(const QString &number); // last four digits weigh; a bad character gives -5

QString digits(quint64 value, int width); // upper case, at least `width` digits
int digitValue(QChar c);                  // 0 to 15, or -1 for anything but a hex digit
} // namespace Hex
