// SPDX-License-Identifier: GPL-3.0-or-later
// The console's hex conversions against their definition, for any text and any number.
#include "FuzzSupport.h"
#include "common/Hex.h"

#include <cstring>

namespace {

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

void checkHexToBinary(const QString &text)
{
    const qint32 value = Hex::hexToBinary(text);
    const bool allDigits = std::all_of(text.begin(), text.end(), isHexDigit);
    if (!allDigits) {
        Fuzz::check(value == Hex::kInvalid, "a bad character did not give -5", text.toUtf8());
        return;
    }
    const qint32 expected = text.isEmpty() ? 0 : text.right(4).toInt(nullptr, 16);
    Fuzz::check(value == expected, "hexToBinary is not the value of the last four digits", text.toUtf8());
}

void checkByte(quint8 value)
{
    const QString text = Hex::fByte(value);
    Fuzz::check(text.size() == 2 && text == text.toUpper(), "fByte not two upper-case digits", text.toUtf8());
    Fuzz::check(Hex::hexToBinary(text) == value, "fByte does not read back", text.toUtf8());
}

void checkWord(qint32 value)
{
    const QString text = Hex::fWord(value);
    if (value < 0) {
        Fuzz::check(text == QString::number(value), "negative fWord not decimal", text.toUtf8());
        return;
    }
    Fuzz::check(text.size() >= 4 && text == text.toUpper(), "fWord shorter than four digits", text.toUtf8());
    Fuzz::check(text.toLongLong(nullptr, 16) == value, "fWord does not read back", text.toUtf8());
    Fuzz::check(Hex::hexToBinary(text) == (value & 0xFFFF), "fWord's last four digits wrong", text.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    checkHexToBinary(QString::fromLatin1(input));
    checkHexToBinary(QString::fromUtf8(input));
    checkHexToBinary(QString(reinterpret_cast<const QChar *>(input.constData()), input.size() / 2));
    for (const char c : input)
        checkByte(quint8(c));
    for (size_t i = 0; i + 4 <= size; i += 4) {
        qint32 word;
        std::memcpy(&word, data + i, 4);
        checkWord(word);
    }
    return 0;
}
