#include "serial/QtSerialDevice.h"

#include <QFile>
#include <poll.h>
#include <unistd.h>

QtSerialDevice::QtSerialDevice(QString path, QString label, QObject *parent)
    : SerialDevice(parent)
    , m_path(std::move(path))
    , m_label(std::move(label))
{
    m_port.setPortName(m_path);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialDevice::onError);
}

QString QtSerialDevice::description() const
{
    return m_label.isEmpty() ? m_path : QStringLiteral("%1 (%2)").arg(m_path, m_label);
}

Failure QtSerialDevice::check(const LineFormat &format)
{
    if (format.dataBits < 5)
        return tr("%1 data bits are not supported by this device").arg(format.dataBits);
    if (format.stopBits == QSerialPort::OneAndHalfStop)
        return tr("1.5 stop bits are not supported by this device");
    if (format.handshaking == 3)
        return tr("Combined RTS and Xon/Xoff flow control is not supported by this device");
    return std::nullopt;
}

Failure QtSerialDevice::apply(const LineFormat &format)
{
    if (auto failure = check(format))
        return failure;
    if (!m_port.isOpen())
        return std::nullopt;
    const QSerialPort::FlowControl flow = format.handshaking == 1   ? QSerialPort::SoftwareControl
                                          : format.handshaking == 2 ? QSerialPort::HardwareControl
                                                                    : QSerialPort::NoFlowControl;
    const bool ok = m_port.setBaudRate(format.baudRate) && m_port.setDataBits(QSerialPort::DataBits(format.dataBits))
                    && m_port.setParity(format.parity) && m_port.setStopBits(format.stopBits)
                    && m_port.setFlowControl(flow);
    if (!ok)
        return tr("%1: %2").arg(m_path, m_port.errorString());
    return std::nullopt;
}

Failure QtSerialDevice::open(const LineFormat &format)
{
    if (auto failure = check(format))
        return failure;
    if (!m_port.open(QIODevice::ReadWrite)) {
        // Qt calls a lock held by another program a permission error; when the user may open
        // the device, that is what it is.
        if (m_port.error() == QSerialPort::PermissionError
            && ::access(QFile::encodeName(m_path).constData(), R_OK | W_OK) == 0)
            return tr("%1: busy, another program has it open").arg(description());
        return tr("%1: %2").arg(description(), m_port.errorString());
    }
    if (auto failure = apply(format)) {
        m_port.close();
        return failure;
    }
    m_lost = false;
    return std::nullopt;
}

void QtSerialDevice::close()
{
    m_port.close();
}

Failure QtSerialDevice::write(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size())
        return tr("%1: %2").arg(m_path, m_port.errorString());
    return std::nullopt;
}

Failure QtSerialDevice::setLine(bool (QSerialPort::*set)(bool), bool on)
{
    const QString none = tr("%1 has no modem-control lines").arg(m_path);
    if (m_noModemLines)
        return none;
    if ((m_port.*set)(on))
        return std::nullopt;
    if (m_port.error() == QSerialPort::UnsupportedOperationError) {
        m_noModemLines = true;
        m_port.clearError();
        return none;
    }
    return tr("%1: %2").arg(m_path, m_port.errorString());
}

Failure QtSerialDevice::setRequestToSend(bool on)
{
    return setLine(&QSerialPort::setRequestToSend, on);
}

Failure QtSerialDevice::setDataTerminalReady(bool on)
{
    return setLine(&QSerialPort::setDataTerminalReady, on);
}

Failure QtSerialDevice::setBreak(bool on)
{
    return setLine(&QSerialPort::setBreakEnabled, on);
}

bool QtSerialDevice::clearToSend() const
{
    if (m_noModemLines || !m_port.isOpen())
        return false;
    return m_port.pinoutSignals() & QSerialPort::ClearToSendSignal;
}

bool QtSerialDevice::hungUp() const
{
    pollfd watch{int(m_port.handle()), POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void QtSerialDevice::onError(QSerialPort::SerialPortError error)
{
    if (m_lost || !m_port.isOpen())
        return;
    // A hung-up tty (adapter unplugged, far side of a pty closed) reads as end of file, which
    // this Qt reports as a ReadError with a stale errno, again at every wake-up.
    if (error == QSerialPort::ResourceError)
        m_lost = true;
    else if ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && hungUp())
        m_lost = true;
    if (m_lost)
        emit lost(tr("%1 is no longer available (unplugged or closed)").arg(description()));
}
