// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/ComPortOption.h"

#include "network/Telnet.h"

#include <QCoreApplication>
#include <QtEndian>
#include <algorithm>
#include <iterator>
#include <limits>

namespace {

struct ParityCode
{
    QSerialPort::Parity parity;
    quint8 code;
};
constexpr ParityCode kParities[] = {{QSerialPort::NoParity, 1},
                                    {QSerialPort::OddParity, 2},
                                    {QSerialPort::EvenParity, 3},
                                    {QSerialPort::MarkParity, 4},
                                    {QSerialPort::SpaceParity, 5}};

// The stop-bit codes are QSerialPort's numbers: 1 one, 2 two, 3 one and a half.
constexpr quint8 kOneStop = 1;
constexpr quint8 kOneAndHalfStop = 3;

// The flow-control codes of SET-CONTROL: handshaking 0, 1 and 2 plus one.
constexpr quint8 kFlowNone = 1;
constexpr quint8 kFlowHardware = 3;

} // namespace

LineFormat RemotePort::answered(LineFormat asked) const
{
    asked.baudRate = baudRate.value_or(asked.baudRate);
    asked.dataBits = dataBits.value_or(asked.dataBits);
    asked.parity = parity.value_or(asked.parity);
    asked.stopBits = stopBits.value_or(asked.stopBits);
    asked.handshaking = handshaking.value_or(asked.handshaking);
    return asked;
}

void RemotePort::forgetFormat()
{
    baudRate.reset();
    dataBits.reset();
    parity.reset();
    stopBits.reset();
    handshaking.reset();
}

std::optional<QString> ComPortOption::refuses(const LineFormat &format)
{
    if (format.dataBits < 5)
        return QCoreApplication::translate("ComPortOption", "%1 data bits cannot be asked of a network port")
            .arg(format.dataBits);
    if (format.handshaking == 3)
        return QCoreApplication::translate("ComPortOption",
                                           "a network port takes RTS/CTS or XON/XOFF flow control, not both");
    return std::nullopt;
}

QByteArray ComPortOption::command(Command code, QByteArrayView value)
{
    return Telnet::subnegotiation(Telnet::kComPort, QByteArray(1, char(code)) + value.toByteArray());
}

QByteArray ComPortOption::setFormat(const LineFormat &format)
{
    char speed[4];
    qToBigEndian(quint32(format.baudRate), speed);
    const auto parity = std::find_if(std::begin(kParities), std::end(kParities),
                                     [&](const ParityCode &p) { return p.parity == format.parity; });
    return command(kSetBaudRate, QByteArrayView(speed, 4)) + command(kSetDataSize, char(format.dataBits))
           + command(kSetParity, char(parity == std::end(kParities) ? kParities[0].code : parity->code))
           + command(kSetStopSize, char(format.stopBits)) + control(quint8(kFlowNone + format.handshaking));
}

QByteArray ComPortOption::askAll()
{
    // 0 asks, for the format and for flow control; 4, 7 and 10 ask the break, DTR and RTS states.
    return command(kSignature, QByteArrayView()) + command(kSetBaudRate, QByteArrayView("\0\0\0\0", 4))
           + command(kSetDataSize, char(0)) + command(kSetParity, char(0)) + command(kSetStopSize, char(0)) + control(0)
           + control(4) + control(7) + control(10) + notifyModemLines();
}

void ComPortOption::take(QByteArrayView value)
{
    if (value.isEmpty())
        return;
    const quint8 code = quint8(value[0]);
    const QByteArrayView rest = value.sliced(1);
    const std::optional<quint8> byte = rest.size() == 1 ? std::optional<quint8>(quint8(rest[0])) : std::nullopt;
    switch (code) {
    case kAnswer + kSignature: {
        // Shown as it is: what a server calls itself must not reach a terminal as control codes.
        QString text = QString::fromLatin1(rest);
        std::replace_if(
            text.begin(), text.end(), [](QChar c) { return c < u' ' || c > u'~'; }, u'?');
        if (!text.isEmpty()) // empty: the server asks for ours, which we do not give
            m_remote.signature = text;
        break;
    }
    case kAnswer + kSetBaudRate:
        if (rest.size() == 4 && qFromBigEndian<quint32>(rest.data()) > 0)
            m_remote.baudRate = qint32(
                std::min<quint32>(qFromBigEndian<quint32>(rest.data()), quint32(std::numeric_limits<qint32>::max())));
        break;
    case kAnswer + kSetDataSize:
        if (byte && *byte >= 5 && *byte <= 8)
            m_remote.dataBits = *byte;
        break;
    case kAnswer + kSetParity:
        if (byte) {
            const auto parity = std::find_if(std::begin(kParities), std::end(kParities),
                                             [&](const ParityCode &p) { return p.code == *byte; });
            if (parity != std::end(kParities))
                m_remote.parity = parity->parity;
        }
        break;
    case kAnswer + kSetStopSize:
        if (byte && *byte >= kOneStop && *byte <= kOneAndHalfStop)
            m_remote.stopBits = QSerialPort::StopBits(*byte);
        break;
    case kAnswer + kSetControl:
        if (byte)
            takeControl(*byte);
        break;
    case kAnswer + kNotifyModemState:
        if (byte)
            m_remote.modemState = *byte;
        break;
    default: // line state, masks, purges, flow suspension: nothing to keep
        break;
    }
}

void ComPortOption::takeControl(quint8 value)
{
    // Answers to the asking codes (4, 7, 10) carry the state; some servers echo the asking code
    // itself, which says nothing.
    if (value >= kFlowNone && value <= kFlowHardware)
        m_remote.handshaking = value - kFlowNone;
    else if (value == 5 || value == 6)
        m_remote.breakOn = value == 5;
    else if (value == 8 || value == 9)
        m_remote.dtr = value == 8;
    else if (value == 11 || value == 12)
        m_remote.rts = value == 11;
}
