// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "network/NetworkAddress.h"
#include "network/TelnetClient.h"
#include "serial/ReadGathering.h"
#include "serial/SerialDevice.h"

#include <QTcpSocket>
#include <QTimer>
#include <optional>

// A serial port on another machine, served over TCP (see NetworkAddress), on the thread that
// uses it: open() starts connecting and returns; what is written, and every format and line
// change, is sent in order once the server accepts (see SerialDevice::connecting). Over
// rfc2217:// the server's answers are kept: reportedFormat() and remote() show what it has in
// force, clearToSend() the CTS of its last notification. Over socket:// the bytes are all there
// is: the format is the server's and the lines cannot be set, which the setters say.
//
// A stream is read in gulps (see ReadGathering): while the device is left, the socket keeps one
// byte and may buffer no more, so that what arrives waits in the system without waking the thread.
//
// A connection that cannot be made (unknown host, refused, no answer within the connect
// timeout) is connectFailed, one that ends is lost, once, each naming the server's host and port.
class NetworkDevice : public SerialDevice
{
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 5000;

    explicit NetworkDevice(NetworkAddress address, QObject *parent = nullptr);
    ~NetworkDevice() override;

    Failure open(const LineFormat &format) override;
    // Connects and asks the server what it has in force, changing nothing.
    Failure openToAsk();
    void close() override;
    bool isOpen() const override { return m_state != State::Closed; }
    bool connecting() const override { return m_state == State::Connecting; }
    Failure check(const LineFormat &format) const override;
    Failure apply(const LineFormat &format) override;

    Failure write(const QByteArray &bytes) override;
    QByteArray readAll() override { return std::exchange(m_received, {}); }
    qint64 bytesAvailable() const override { return m_received.size(); }
    qint64 bytesToWrite() const override { return m_waiting.size() + m_socket.bytesToWrite(); }

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;
    // Over raw TCP there are none to set, at open or after.
    bool hasModemLines() const override { return m_address.protocol == NetworkAddress::Protocol::Rfc2217; }

    QString description() const override { return m_address.url(); }
    std::optional<LineFormat> reportedFormat() const override;
    Failure refusesProgramming() const override;

    // What the server answered; nothing over raw TCP.
    const RemotePort *remote() const { return m_telnet ? &m_telnet->comPort().remote() : nullptr; }
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }

private:
    // At most what the socket takes from the system at a time: a server that outruns the view
    // waits in the system's buffer, not in ours, and a read stays a bite the view can draw.
    static constexpr qint64 kReadChunk = 64 * 1024;

    enum class State { Closed, Connecting, Connected, Gone };

    Failure connectWith(QByteArray first);
    // Written now, or queued until the server accepts.
    Failure send(const QByteArray &bytes);
    Failure control(const QByteArray &command);
    void onConnected();
    void onReadyRead();
    void take(bool gathered);
    // Parsed, and handed on when it holds data; justCame: read now, not kept from an earlier read.
    void handOn(const QByteArray &bytes, bool justCame);
    void readGathered();
    void onError(QAbstractSocket::SocketError error);
    void gone(const QString &why);
    QString connectFailure(QAbstractSocket::SocketError error) const;

    NetworkAddress m_address;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    ReadGathering m_gathering;
    bool m_readAgain = false; // the timer let the socket read again: what comes is gathered
    State m_state = State::Closed;
    std::optional<TelnetClient> m_telnet; // over rfc2217://, for one connection
    LineFormat m_format;                  // as last asked
    QByteArray m_waiting;                 // sent before the server accepted
    QByteArray m_received;                // data not yet taken
};
