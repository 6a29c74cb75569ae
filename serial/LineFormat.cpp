// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/LineFormat.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace {

struct ParityLetter
{
    QChar letter;
    QSerialPort::Parity parity;
};

constexpr ParityLetter kParities[] = {
    {u'e', QSerialPort::EvenParity}, {u'm', QSerialPort::MarkParity},  {u'n', QSerialPort::NoParity},
    {u'o', QSerialPort::OddParity},  {u's', QSerialPort::SpaceParity},
};

struct StopBitsText
{
    const char *text;
    QSerialPort::StopBits stopBits;
};

constexpr StopBitsText kStopBits[] = {
    {"1", QSerialPort::OneStop}, {"1.5", QSerialPort::OneAndHalfStop}, {"2", QSerialPort::TwoStop}};

QString tr(const char *text)
{
    return QCoreApplication::translate("LineFormat", text);
}

} // namespace

QStringList LineFormat::fields() const
{
    const auto parityMatch = std::find_if(std::begin(kParities), std::end(kParities),
                                          [this](const ParityLetter &p) { return p.parity == parity; });
    const auto stopMatch = std::find_if(std::begin(kStopBits), std::end(kStopBits),
                                        [this](const StopBitsText &s) { return s.stopBits == stopBits; });
    return {QString::number(baudRate), QString(parityMatch == std::end(kParities) ? QChar(u'n') : parityMatch->letter),
            QString::number(dataBits), QLatin1String(stopMatch == std::end(kStopBits) ? "1" : stopMatch->text)};
}

Failure LineFormat::setSettingsText(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return tr("Invalid property value: settings \"%1\"").arg(text);
    return setFields(fields[0], fields[1], fields[2], fields[3]);
}

Failure LineFormat::setFields(const QString &speed, const QString &parityLetter, const QString &bits,
                              const QString &stop)
{
    const QString invalid =
        tr("Invalid property value: settings \"%1\"").arg(QStringList{speed, parityLetter, bits, stop}.join(u','));
    LineFormat parsed = *this;
    bool ok = false;
    parsed.baudRate = speed.trimmed().toInt(&ok);
    if (!ok || parsed.baudRate <= 0)
        return invalid;
    const QString letter = parityLetter.trimmed().toLower();
    const auto parityMatch = std::find_if(std::begin(kParities), std::end(kParities),
                                          [&](const ParityLetter &p) { return letter == p.letter; });
    if (parityMatch == std::end(kParities))
        return invalid;
    parsed.parity = parityMatch->parity;
    parsed.dataBits = bits.trimmed().toInt(&ok);
    if (!ok || parsed.dataBits < 4 || parsed.dataBits > 8)
        return invalid;
    const QString stopText = stop.trimmed();
    const auto stopMatch = std::find_if(std::begin(kStopBits), std::end(kStopBits),
                                        [&](const StopBitsText &s) { return stopText == QLatin1String(s.text); });
    if (stopMatch == std::end(kStopBits))
        return invalid;
    parsed.stopBits = stopMatch->stopBits;
    *this = parsed;
    return std::nullopt;
}

Failure LineFormat::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        return tr("Invalid property value: handshaking %1").arg(mode);
    handshaking = mode;
    return std::nullopt;
}
