#include "common/Hex.h"

namespace Hex {

QString fByte(quint8 Value)
{
    return QString::number(Value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString fWord(qint32 Value)
{
    if (Value < 0)
        return QString::number(Value);
    return QString::number(Value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

qint32 hexToBinary(const QString &number)
{
    qint32 result = 0;
    const qsizetype length = number.size();
    for (qsizetype i = 0; i < length; ++i) {
        const qsizetype k = length - i;
        const qint32 weight = k <= 4 ? (1 << (4 * (k - 1))) : 0;
        const QChar c = number.at(i).toUpper();
        qint32 digit;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            digit = c.unicode() - 'A' + 10;
        else
            return kInvalid;
        result += weight * digit;
    }
    return result;
}

} // namespace Hex
