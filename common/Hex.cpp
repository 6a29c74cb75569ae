// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Hex.h"

namespace Hex {

QString fByte(quint8 Value)
{
    return digits(Value, 2);
}

QString fWord(qint32 Value)
{
    if (Value < 0)
        return QString::number(Value);
    return digits(quint64(Value), 4);
}

qint32 hexToBinary(const QString &number)
{
    qint32 result = 0;
    const qsizetype length = number.size();
    for (qsizetype i = 0; i < length; ++i) {
        const qsizetype k = length - i;
        const qint32 weight = k <= 4 ? (1 << (4 * (k - 1))) : 0;
        const int digit = digitValue(number.at(i));
        if (digit < 0)
            return kInvalid;
        result += weight * digit;
    }
    return result;
}

QString digits(quint64 value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, QLatin1Char('0'));
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace Hex
