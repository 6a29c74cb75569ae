// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/MSComm.h"

#include <QScopedValueRollback>

MSComm::MSComm(DeviceFactory factory, QObject *parent)
    : QObject(parent)
    , m_factory(std::move(factory))
{}

MSComm::~MSComm()
{
    if (m_device)
        m_device->close();
}

Failure MSComm::setCommPort(int port)
{
    if (PortOpen())
        return tr("Operation valid only when the port is closed");
    if (port < 1 || port > kPortCount)
        return tr("Invalid port number");
    if (port != m_port)
        m_device.reset(); // made again for the new number when it is needed
    m_port = port;
    return std::nullopt;
}

void MSComm::restoreCommPort(int port)
{
    Q_ASSERT(!PortOpen() && port >= 1 && port <= kPortCount);
    if (port != m_port)
        m_device.reset();
    m_port = port;
}

SerialDevice *MSComm::device() const
{
    if (!m_device) {
        m_noDevice.clear();
        m_device = m_factory(m_port, &m_noDevice);
    }
    return m_device.get();
}

Failure MSComm::setFormat(const LineFormat &format)
{
    if (Failure failure = LineFormat(format).setHandshaking(format.handshaking))
        return failure;
    if (Failure failure = applyToDevice(format))
        return failure;
    m_format = format;
    return std::nullopt;
}

Failure MSComm::checkFormat(const LineFormat &format) const
{
    const SerialDevice *closed = PortOpen() ? nullptr : device();
    return closed ? closed->check(format) : std::nullopt;
}

LineFormat MSComm::onDevice(LineFormat format) const
{
    if (m_handHolds > 0 && format.handshaking >= 2)
        format.handshaking -= 2;
    return format;
}

Failure MSComm::applyToDevice(const LineFormat &format)
{
    if (!PortOpen())
        return std::nullopt;
    const LineFormat applied = onDevice(format);
    if (applied.handshaking >= 2)
        m_levels[size_t(Line::RTS)].reset(); // the driver moves it from now on
    return m_device->apply(applied);
}

Failure MSComm::holdLinesByHand()
{
    ++m_handHolds;
    return m_handHolds == 1 && m_format.handshaking >= 2 ? applyToDevice(m_format) : std::nullopt;
}

Failure MSComm::endLinesByHand()
{
    if (--m_handHolds == 0 && m_format.handshaking >= 2)
        return applyToDevice(m_format);
    return std::nullopt;
}

void MSComm::close()
{
    const bool wasOpen = PortOpen();
    m_device.reset();
    m_levels = {};
    if (wasOpen)
        emit openChanged(false);
}

Failure MSComm::open()
{
    if (PortOpen())
        return tr("Port already open");
    SerialDevice *made = device();
    if (!made)
        return m_noDevice;
    if (Failure failure = made->open(onDevice(m_format)))
        return failure;
    connect(made, &SerialDevice::readyRead, this, &MSComm::readWaiting, Qt::UniqueConnection);
    connect(made, &SerialDevice::lost, this, &MSComm::onDeviceLost,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(made, &SerialDevice::writeFailed, this, &MSComm::writeFailed, Qt::UniqueConnection);
    connect(made, &SerialDevice::connected, this, &MSComm::connected, Qt::UniqueConnection);
    connect(made, &SerialDevice::connectFailed, this, &MSComm::onConnectFailed,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(made, &SerialDevice::formatReported, this, &MSComm::formatReported, Qt::UniqueConnection);
    m_levels = {};
    // The kernel raises both lines at open; boards reset on DTR, so put back what was asked. A
    // device without modem lines (a pseudo-terminal) has nothing to put back, and RTS/CTS flow
    // control drives RTS itself.
    if (made->hasModemLines()) {
        Failure failure = setDTREnable(m_dtr);
        if (!failure && onDevice(m_format).handshaking < 2)
            failure = setRTSEnable(m_rts);
        if (failure) {
            close();
            return failure;
        }
    }
    emit openChanged(true);
    return std::nullopt;
}

void MSComm::readWaiting()
{
    // A handler that waits in a modal box lets events run underneath; what arrives then is taken
    // after it returns, in order, never inside it.
    if (m_delivering || !PortOpen())
        return;
    {
        const QScopedValueRollback delivering(m_delivering, true);
        emit dataReceived(m_device->readAll()); // even nothing: every notification is handled
    }
    // The device raises no second notification for what came while the first was handled.
    if (PortOpen() && m_device->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &MSComm::readWaiting, Qt::QueuedConnection);
}

bool MSComm::closeGone()
{
    if (!PortOpen())
        return false; // already closed: one unplug raises several errors
    m_device->close();
    m_levels = {};
    emit openChanged(false);
    return true;
}

void MSComm::onDeviceLost(const QString &description)
{
    if (closeGone())
        emit lost(description);
}

void MSComm::onConnectFailed(const QString &why)
{
    if (closeGone())
        emit connectFailed(why);
}

std::optional<LineFormat> MSComm::reportedFormat() const
{
    return PortOpen() ? m_device->reportedFormat() : std::nullopt;
}

Failure MSComm::refusesProgramming() const
{
    const SerialDevice *made = device();
    return made ? made->refusesProgramming() : std::nullopt;
}

Failure MSComm::setLine(Line line, bool on)
{
    if (line == Line::RTS)
        m_rts = on;
    else if (line == Line::DTR)
        m_dtr = on; // remembered while closed, applied at open
    if (!PortOpen())
        return line == Line::Break ? Failure(tr("Operation valid only when the port is open")) : std::nullopt;
    ++m_lineOperations;
    const Failure failure = line == Line::RTS   ? m_device->setRequestToSend(on)
                            : line == Line::DTR ? m_device->setDataTerminalReady(on)
                                                : m_device->setBreak(on);
    m_levels[size_t(line)] = failure ? std::nullopt : std::optional<bool>(on);
    return failure;
}

bool MSComm::lineAt(Line line, bool level) const
{
    return PortOpen() && m_levels[size_t(line)] == level;
}

bool MSComm::CTSHolding() const
{
    if (!PortOpen())
        return false;
    ++m_lineOperations;
    return m_device->clearToSend();
}

Failure MSComm::Output(const QByteArray &bytes)
{
    return PortOpen() ? m_device->write(bytes) : Failure(tr("Operation valid only when the port is open"));
}

int MSComm::OutBufferCount() const
{
    return PortOpen() ? int(m_device->bytesToWrite()) : 0;
}
