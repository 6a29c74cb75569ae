// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/LineFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// What the server last answered about its serial port: each answer carries the value in force
// there, which may differ from what was asked (refused or rounded). Empty until answered.
struct RemotePort
{
    QString signature; // printable characters only
    std::optional<qint32> baudRate;
    std::optional<int> dataBits;
    std::optional<QSerialPort::Parity> parity;
    std::optional<QSerialPort::StopBits> stopBits;
    std::optional<int> handshaking; // 0 none, 1 XON/XOFF, 2 RTS/CTS
    std::optional<bool> breakOn;
    std::optional<bool> dtr;
    std::optional<bool> rts;
    std::optional<quint8> modemState; // the last notification's bits (kCts, ...)

    // The format with what the server answered in place of what was asked.
    LineFormat answered(LineFormat asked) const;
    void forgetFormat();
};

// The COM-PORT option (RFC 2217) as a client uses it: the subnegotiations that set or ask the
// remote port's format and lines, whole and escaped, and the reading of the server's answers
// and notifications into a RemotePort.
class ComPortOption
{
public:
    enum ModemBit : quint8 { kCts = 0x10, kDsr = 0x20, kRi = 0x40, kCd = 0x80 };
    enum Purge : quint8 { kPurgeBoth = 3 }; // 1 what was received, 2 what is to be sent

    // What no server can be asked: 4 data bits, RTS/CTS together with XON/XOFF.
    static std::optional<QString> refuses(const LineFormat &format);
    // Speed, data bits, parity, stop bits and flow control, in that order.
    static QByteArray setFormat(const LineFormat &format);
    static QByteArray setDtr(bool on) { return control(on ? 8 : 9); }
    static QByteArray setRts(bool on) { return control(on ? 11 : 12); }
    static QByteArray setBreak(bool on) { return control(on ? 5 : 6); }
    // Notifications of CTS, DSR and CD changes.
    static QByteArray notifyModemLines() { return command(kSetModemStateMask, char(kCts | kDsr | kCd)); }
    static QByteArray purge(Purge what) { return command(kPurgeData, char(what)); }
    // Everything the server has in force asked for, nothing changed: the signature, the format,
    // flow control and the lines.
    static QByteArray askAll();

    // One subnegotiation of the COM-PORT option from the server.
    void take(QByteArrayView value);
    const RemotePort &remote() const { return m_remote; }
    RemotePort &remote() { return m_remote; }

private:
    enum Command : quint8 {
        kSignature = 0,
        kSetBaudRate = 1,
        kSetDataSize = 2,
        kSetParity = 3,
        kSetStopSize = 4,
        kSetControl = 5,
        kNotifyModemState = 7,
        kSetModemStateMask = 11,
        kPurgeData = 12,
        kAnswer = 100, // added to a command's code by the server
    };
    static QByteArray command(Command code, QByteArrayView value);
    static QByteArray command(Command code, char value) { return command(code, QByteArrayView(&value, 1)); }
    static QByteArray control(quint8 value) { return command(kSetControl, char(value)); }
    void takeControl(quint8 value);

    RemotePort m_remote;
};
