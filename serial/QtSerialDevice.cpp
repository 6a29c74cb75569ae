// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/QtSerialDevice.h"

#include "common/ShownPath.h"
#include "serial/DeviceAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

QtSerialDevice::QtSerialDevice(QString path, QString label, QObject *parent)
    : SerialDevice(parent)
    , m_path(std::move(path))
    , m_label(std::move(label))
{
    m_port.setPortName(m_path);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialDevice::onReadyRead);
    m_gather.setSingleShot(true);
    connect(&m_gather, &QTimer::timeout, this, &QtSerialDevice::readGathered);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialDevice::onError);
}

QString QtSerialDevice::description() const
{
    return m_label.isEmpty() ? shownPath(m_path) : QStringLiteral("%1 (%2)").arg(shownPath(m_path), m_label);
}

QString QtSerialDevice::stableLink(const QString &path, const QString &folder)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return {};
    for (const QFileInfo &link : QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (link.isSymLink() && link.canonicalFilePath() == device)
            return link.absoluteFilePath();
    return {};
}

bool QtSerialDevice::present() const
{
    return QFileInfo::exists(m_stableLink.isEmpty() ? m_path : m_stableLink);
}

Failure QtSerialDevice::check(const LineFormat &format) const
{
    if (format.dataBits < 5)
        return tr("%1: %2 data bits are not supported by this device").arg(shownPath(m_path)).arg(format.dataBits);
    if (format.stopBits == QSerialPort::OneAndHalfStop && format.dataBits != 5)
        return tr("%1: 1.5 stop bits go only with 5 data bits, not %2").arg(shownPath(m_path)).arg(format.dataBits);
    return std::nullopt;
}

Failure QtSerialDevice::apply(const LineFormat &format)
{
    if (auto failure = check(format))
        return failure;
    if (!m_port.isOpen())
        return std::nullopt;
    // Qt knows neither 1.5 stop bits nor RTS/CTS with XON/XOFF; termios does. A UART asked for
    // two stop bits with 5 data bits sends one and a half.
    const QSerialPort::StopBits stop =
        format.stopBits == QSerialPort::OneAndHalfStop ? QSerialPort::TwoStop : format.stopBits;
    const QSerialPort::FlowControl flow = format.handshaking == 1   ? QSerialPort::SoftwareControl
                                          : format.handshaking >= 2 ? QSerialPort::HardwareControl
                                                                    : QSerialPort::NoFlowControl;
    const bool ok = m_port.setBaudRate(format.baudRate) && m_port.setDataBits(QSerialPort::DataBits(format.dataBits))
                    && m_port.setParity(format.parity) && m_port.setStopBits(stop) && m_port.setFlowControl(flow);
    if (!ok)
        return tr("%1: %2").arg(shownPath(m_path), m_port.errorString());
    const int parityBits = format.parity == QSerialPort::NoParity ? 0 : 1;
    m_lineBytesPerSecond = format.baudRate / (1 + format.dataBits + parityBits + 1);
    if (format.handshaking == 3) {
        termios tio{};
        const int fd = int(m_port.handle());
        if (::tcgetattr(fd, &tio) != 0)
            return systemFailure();
        tio.c_iflag |= IXON | IXOFF | IXANY;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0)
            return systemFailure();
    }
    return std::nullopt;
}

Failure QtSerialDevice::systemFailure() const
{
    return tr("%1: %2").arg(shownPath(m_path), QString::fromLocal8Bit(std::strerror(errno)));
}

Failure QtSerialDevice::open(const LineFormat &format)
{
    if (auto failure = check(format))
        return failure;
    if (m_stableLink.isEmpty())
        m_stableLink = stableLink(m_path, QStringLiteral("/dev/serial/by-id"));
    m_port.setPortName(m_stableLink.isEmpty() ? m_path : m_stableLink);
    if (!m_port.open(QIODevice::ReadWrite)) {
        // Qt calls a lock held by another program a permission error; when the user may open
        // the device, that is what it is.
        if (m_port.error() == QSerialPort::PermissionError) {
            if (::access(QFile::encodeName(m_path).constData(), R_OK | W_OK) == 0)
                return tr("%1: busy, another program has it open").arg(description());
            return accessDenied(m_path, description());
        }
        return tr("%1: %2").arg(description(), m_port.errorString());
    }
    if (auto failure = apply(format)) {
        m_port.close();
        return failure;
    }
    // A pseudo-terminal has no modem lines at all; the driver says so for the status request.
    int lines = 0;
    m_noModemLines = ::ioctl(int(m_port.handle()), TIOCMGET, &lines) != 0 && (errno == ENOTTY || errno == EINVAL);
    // The port's own, made at open; without it a stream is read as it comes.
    for (QSocketNotifier *notifier : m_port.findChildren<QSocketNotifier *>())
        if (notifier->type() == QSocketNotifier::Read)
            m_readNotifier = notifier;
    m_lost = false;
    return std::nullopt;
}

QByteArray QtSerialDevice::readAll()
{
    QByteArray bytes = std::exchange(m_gathered, {});
    // Emptying the port's buffer turns its read notifier back on; a gulp leaves it off.
    if (m_port.bytesAvailable() > 0)
        bytes += m_port.readAll();
    return bytes;
}

void QtSerialDevice::onReadyRead()
{
    delivered(m_port.bytesAvailable(), false);
}

void QtSerialDevice::readGathered()
{
    // While the stream flows the timer reads it straight from the device, so that the loop is
    // not woken to watch the port again; a pause, a hang-up or an error go back to the port's
    // notifier, which reads and reports them as always.
    const int fd = int(m_port.handle());
    int waiting = 0;
    if (m_port.isOpen() && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
        const qsizetype held = m_gathered.size();
        m_gathered.resize(held + waiting);
        const ssize_t got = ::read(fd, m_gathered.data() + held, size_t(waiting));
        m_gathered.resize(held + std::max<qsizetype>(got, 0));
        if (got > 0) {
            delivered(got, true);
            return;
        }
    }
    if (m_readNotifier)
        m_readNotifier->setEnabled(true);
}

void QtSerialDevice::delivered(qint64 arrived, bool gathered)
{
    const qint64 sinceMs = m_sinceRead.isValid() ? m_sinceRead.elapsed() : -1;
    m_sinceRead.start();
    emit readyRead();
    if (!m_port.isOpen() || !m_readNotifier)
        return;
    const qint64 waitMs = gatherMs(m_lineBytesPerSecond, sinceMs, arrived, gathered);
    m_readNotifier->setEnabled(waitMs == 0);
    if (waitMs > 0)
        m_gather.start(int(waitMs));
}

qint64 QtSerialDevice::gatherMs(qint64 lineBytesPerSecond, qint64 sinceMs, qint64 arrived, bool gathered)
{
    if (!gathered && (sinceMs < 0 || sinceMs >= kGatherMs))
        return 0;
    const qint64 lineMs = kGatherBytes * 1000 / std::max<qint64>(lineBytesPerSecond, 1);
    const qint64 streamMs = kGatherBytes * std::max<qint64>(sinceMs, 1) / std::max<qint64>(arrived, 1);
    const qint64 ms = std::min({qint64(kGatherMs), lineMs, streamMs});
    return ms < 2 ? 0 : ms; // a fast stream fills the buffer sooner than a wake-up saves
}

void QtSerialDevice::close()
{
    m_gather.stop();
    m_gathered.clear();
    m_port.close();
}

Failure QtSerialDevice::write(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size())
        return tr("%1: %2").arg(shownPath(m_path), m_port.errorString());
    return std::nullopt;
}

Failure QtSerialDevice::setLine(bool (QSerialPort::*set)(bool), bool on)
{
    if (m_noModemLines)
        return tr("%1 has no modem-control lines").arg(shownPath(m_path));
    if ((m_port.*set)(on))
        return std::nullopt;
    // Qt refuses RTS by hand while RTS/CTS flow control drives it; the other lines stay usable.
    const bool flowOwnsIt = m_port.error() == QSerialPort::UnsupportedOperationError
                            && m_port.flowControl() == QSerialPort::HardwareControl;
    const QString reason = flowOwnsIt ? tr("RTS is driven by RTS/CTS flow control") : m_port.errorString();
    m_port.clearError();
    return tr("%1: %2").arg(shownPath(m_path), reason);
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
