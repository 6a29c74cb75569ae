// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

// Line format and flow control as a device applies them. Its text form, speed, parity letter,
// data bits and stop bits joined by commas ("9600,n,8,1"), is what the settings store keeps and
// the status bar shows; everywhere else the format travels as this struct.
struct LineFormat
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    int dataBits = 8; // 4 to 8; what the device cannot do it refuses
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    int handshaking = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both

    bool operator==(const LineFormat &) const = default;

    // The four fields of the text form: speed, parity letter in lower case, data bits, stop bits.
    QStringList fields() const;
    QString settingsText() const { return fields().join(u','); }
    // Speed, parity letter (either case), data bits and stop bits into this format, which keeps its
    // flow control; a text it cannot take leaves it as it was and says so.
    Failure setSettingsText(const QString &text);
    // The same from the four fields apart, as the Properties dialog has them.
    Failure setFields(const QString &speed, const QString &parity, const QString &dataBits, const QString &stopBits);
    Failure setHandshaking(int mode);
};
