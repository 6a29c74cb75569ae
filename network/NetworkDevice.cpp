// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/NetworkDevice.h"

#include "network/Telnet.h"

#include <sys/ioctl.h>

NetworkDevice::NetworkDevice(NetworkAddress address, QObject *parent)
    : SerialDevice(parent)
    , m_address(std::move(address))
    , m_gathering(this, [this] { readGathered(); })
{
    m_socket.setReadBufferSize(kReadChunk);
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        onError(QAbstractSocket::SocketTimeoutError);
        m_socket.abort(); // a lookup or a connection still under way ends here
    });
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkDevice::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkDevice::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkDevice::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { onError(QAbstractSocket::RemoteHostClosedError); });
}

NetworkDevice::~NetworkDevice()
{
    m_socket.disconnect(this);
    close();
}

Failure NetworkDevice::check(const LineFormat &format) const
{
    if (m_address.protocol == NetworkAddress::Protocol::RawTcp)
        return std::nullopt; // nothing is asked of the server
    if (const std::optional<QString> refused = ComPortOption::refuses(format))
        return tr("%1: %2").arg(description(), *refused);
    return std::nullopt;
}

Failure NetworkDevice::open(const LineFormat &format)
{
    if (Failure failure = check(format))
        return failure;
    m_format = format;
    m_gathering.setLine(format);
    // A new session starts clean: what the server still holds from an earlier client goes.
    return connectWith(ComPortOption::setFormat(format) + ComPortOption::notifyModemLines()
                       + ComPortOption::purge(ComPortOption::kPurgeBoth));
}

Failure NetworkDevice::openToAsk()
{
    return connectWith(ComPortOption::askAll());
}

Failure NetworkDevice::connectWith(QByteArray first)
{
    if (m_state != State::Closed)
        return tr("%1 is already open").arg(description());
    m_received.clear();
    m_waiting.clear();
    m_telnet.reset();
    if (m_address.protocol == NetworkAddress::Protocol::Rfc2217) {
        m_telnet.emplace();
        m_waiting = m_telnet->start() + first;
    }
    m_state = State::Connecting;
    m_connectTimer.start();
    m_socket.connectToHost(m_address.host, m_address.port);
    return std::nullopt;
}

void NetworkDevice::close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed; // what the socket says from here on is no news
    m_connectTimer.stop();
    m_gathering.stop();
    m_readAgain = false;
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush(); // what is written goes out before the connection ends
    m_socket.abort();
    m_socket.setReadBufferSize(kReadChunk);
    m_waiting.clear();
    m_received.clear();
}

void NetworkDevice::onConnected()
{
    if (m_state != State::Connecting)
        return;
    m_connectTimer.stop();
    m_state = State::Connected;
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); // a key's echo is not held back
    const QByteArray waiting = std::exchange(m_waiting, {});
    if (!waiting.isEmpty() && m_socket.write(waiting) != waiting.size())
        return gone(tr("%1: %2").arg(description(), m_socket.errorString()));
    emit connected();
}

void NetworkDevice::onReadyRead()
{
    if (m_state == State::Connected)
        take(std::exchange(m_readAgain, false));
}

void NetworkDevice::take(bool gathered)
{
    const qint64 available = m_socket.bytesAvailable();
    if (available <= 0)
        return;
    const bool leave = m_gathering.leaveAfter(available, gathered);
    const QByteArray bytes = m_socket.read(leave ? available - 1 : available);
    m_socket.setReadBufferSize(leave ? 1 : kReadChunk);
    handOn(bytes, true);
}

void NetworkDevice::handOn(const QByteArray &bytes, bool justCame)
{
    const qsizetype before = m_received.size();
    if (m_telnet) {
        const std::optional<LineFormat> was = reportedFormat();
        const QByteArray replies = m_telnet->receive(bytes, m_received);
        if (!replies.isEmpty() && m_socket.write(replies) != replies.size())
            return gone(tr("%1: %2").arg(description(), m_socket.errorString()));
        if (reportedFormat() != was)
            emit formatReported();
    } else {
        m_received += bytes;
    }
    if (m_received.size() == before)
        return; // the server's own words: a key's echo after them still comes at once
    if (justCame)
        m_gathering.dataCame();
    emit readyRead();
}

void NetworkDevice::readGathered()
{
    if (m_state != State::Connected)
        return;
    // What came meanwhile the socket reads now that it may buffer again, and says so (readyRead)
    // in this wake-up; when nothing came, the stream paused and the byte kept goes on now, its
    // time being when it came.
    int waiting = 0;
    const bool more = ::ioctl(int(m_socket.socketDescriptor()), FIONREAD, &waiting) == 0 && waiting > 0;
    m_socket.setReadBufferSize(kReadChunk);
    if (more) {
        m_readAgain = true;
        m_socket.waitForReadyRead(0);
    } else {
        handOn(m_socket.readAll(), false);
    }
}

QString NetworkDevice::connectFailure(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return tr("unknown host %1").arg(m_address.host);
    case QAbstractSocket::ConnectionRefusedError:
        return tr("%1 refused the connection (no server on port %2)").arg(m_address.host).arg(m_address.port);
    case QAbstractSocket::SocketTimeoutError:
        return tr("no answer from %1 within %2 s").arg(m_address.hostAndPort()).arg(m_connectTimer.interval() / 1000.0);
    default:
        return m_socket.errorString();
    }
}

void NetworkDevice::onError(QAbstractSocket::SocketError error)
{
    if (m_state == State::Connecting)
        gone(tr("%1: could not connect: %2").arg(description(), connectFailure(error)));
    else if (m_state == State::Connected && error == QAbstractSocket::RemoteHostClosedError)
        gone(tr("%1: the server closed the connection").arg(description()));
    else if (m_state == State::Connected)
        gone(tr("%1: the connection was lost (%2)").arg(description(), m_socket.errorString()));
}

void NetworkDevice::gone(const QString &why)
{
    const bool wasConnecting = m_state == State::Connecting;
    m_state = State::Gone; // once: the owner closes the device
    m_connectTimer.stop();
    m_waiting.clear();
    if (wasConnecting)
        emit connectFailed(why);
    else
        emit lost(why);
}

Failure NetworkDevice::send(const QByteArray &bytes)
{
    if (m_state == State::Connecting) {
        m_waiting += bytes;
        return std::nullopt;
    }
    if (m_state != State::Connected)
        return tr("%1 is not connected").arg(description());
    if (m_socket.write(bytes) != bytes.size())
        return tr("%1: %2").arg(description(), m_socket.errorString());
    return std::nullopt;
}

Failure NetworkDevice::write(const QByteArray &bytes)
{
    return send(m_telnet ? Telnet::escaped(bytes) : bytes);
}

Failure NetworkDevice::apply(const LineFormat &format)
{
    if (Failure failure = check(format))
        return failure;
    if (m_state == State::Closed || format == m_format)
        return std::nullopt;
    if (!m_telnet)
        return tr("%1 is raw TCP: the server sets the port's speed and format (rfc2217:// lets them be set)")
            .arg(description());
    if (m_telnet->options().comPortRefused())
        return tr("%1: the server refuses the COM-PORT option, so the port's speed and format are its own")
            .arg(description());
    if (Failure failure = send(ComPortOption::setFormat(format)))
        return failure;
    m_format = format;
    m_gathering.setLine(format);
    m_telnet->comPort().remote().forgetFormat(); // until the server answers again
    emit formatReported();
    return std::nullopt;
}

Failure NetworkDevice::control(const QByteArray &command)
{
    if (m_address.protocol == NetworkAddress::Protocol::RawTcp)
        return tr("%1 is raw TCP: it has no modem-control lines to set (rfc2217:// has)").arg(description());
    if (m_telnet && m_telnet->options().comPortRefused())
        return tr("%1: the server refuses the COM-PORT option, so the lines cannot be set").arg(description());
    return send(command);
}

Failure NetworkDevice::setRequestToSend(bool on)
{
    return control(ComPortOption::setRts(on));
}

Failure NetworkDevice::setDataTerminalReady(bool on)
{
    return control(ComPortOption::setDtr(on));
}

Failure NetworkDevice::setBreak(bool on)
{
    return control(ComPortOption::setBreak(on));
}

bool NetworkDevice::clearToSend() const
{
    const RemotePort *port = remote();
    return m_state == State::Connected && port && port->modemState.value_or(0) & ComPortOption::kCts;
}

std::optional<LineFormat> NetworkDevice::reportedFormat() const
{
    if (m_state != State::Connected || !m_telnet)
        return std::nullopt;
    return m_telnet->comPort().remote().answered(m_format);
}

Failure NetworkDevice::refusesProgramming() const
{
    return tr("%1 is a network port: the chip's timed waits cannot be kept across a network, so the chip is not "
              "programmed through it; run tavro-prog on the machine the board is plugged into")
        .arg(description());
}
