// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/TtyDevice.h"

#include "common/ShownPath.h"
#include "serial/DeviceAccess.h"
#include "serial/TtySpeed.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <tuple>
#include <unistd.h>

namespace {

// The rates termios names; any other goes through the kernel's arbitrary rate.
constexpr std::pair<int, speed_t> kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}};

// The device went away: unplugged, or the far side of a pseudo-terminal closed.
bool gone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

tcflag_t dataBitsFlag(int bits)
{
    return bits == 5 ? CS5 : bits == 6 ? CS6 : bits == 7 ? CS7 : CS8;
}

} // namespace

TtyDevice::TtyDevice(QString path, QString label, DeviceIdentity::Places places, QObject *parent)
    : SerialDevice(parent)
    , m_path(std::move(path))
    , m_label(std::move(label))
    , m_places(std::move(places))
    , m_gathering(this, [this] { readGathered(); })
{
}

TtyDevice::~TtyDevice()
{
    close();
}

QString TtyDevice::description() const
{
    return m_label.isEmpty() ? shownPath(m_path) : QStringLiteral("%1 (%2)").arg(shownPath(m_path), m_label);
}

Failure TtyDevice::failure(const QString &reason) const
{
    return tr("%1: %2").arg(shownPath(m_path), reason);
}

Failure TtyDevice::systemFailure() const
{
    return failure(QString::fromLocal8Bit(std::strerror(errno)));
}

bool TtyDevice::present() const
{
    QString instead;
    return m_identity ? m_identity->back(&instead).has_value() : QFileInfo::exists(m_path);
}

QString TtyDevice::notBackBecause() const
{
    QString instead;
    if (m_identity)
        std::ignore = m_identity->back(&instead);
    return instead;
}

Failure TtyDevice::check(const LineFormat &format) const
{
    if (format.dataBits < 5)
        return tr("%1: %2 data bits are not supported by this device").arg(shownPath(m_path)).arg(format.dataBits);
    if (format.stopBits == QSerialPort::OneAndHalfStop && format.dataBits != 5)
        return tr("%1: 1.5 stop bits go only with 5 data bits, not %2").arg(shownPath(m_path)).arg(format.dataBits);
    return std::nullopt;
}

Failure TtyDevice::open(const LineFormat &format)
{
    if (Failure failure = check(format))
        return failure;
    if (isOpen())
        return tr("Port already open");
    // After a loss only the device that went away is opened again, under whatever path it is back.
    QString instead;
    const DeviceIdentity identity = m_identity ? *m_identity : DeviceIdentity::of(m_path, m_places);
    const std::optional<QString> path = m_identity ? identity.back(&instead) : std::optional(identity.openPath());
    if (!path)
        return instead.isEmpty() ? failure(tr("not back yet")) : Failure(instead);
    if (Failure failure = openPath(*path, format))
        return failure;
    if (!m_identity)
        m_identity = identity;
    return std::nullopt;
}

Failure TtyDevice::openPath(const QString &path, const LineFormat &format)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            return accessDenied(path, description());
        if (errno == EBUSY)
            return tr("%1: busy, another program has it open").arg(description());
        return tr("%1: %2").arg(description(), QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_lock = DeviceLock::take(fd, path);
    if (!m_lock) {
        ::close(fd);
        return tr("%1: busy, another program has it open").arg(description());
    }
    m_fd = fd;
    if (Failure failure = apply(format)) {
        close();
        return failure;
    }
    // A pseudo-terminal has no modem lines at all; the driver says so for the status request.
    int lines = 0;
    m_noModemLines = ::ioctl(fd, TIOCMGET, &lines) != 0 && (errno == ENOTTY || errno == EINVAL);
    m_readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &TtyDevice::onReadable);
    m_writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    m_writable->setEnabled(false);
    connect(m_writable.get(), &QSocketNotifier::activated, this, &TtyDevice::writeQueued);
    m_writeFailureSaid = false;
    m_goneSaid = false;
    return std::nullopt;
}

Failure TtyDevice::apply(const LineFormat &format)
{
    if (Failure failure = check(format))
        return failure;
    if (!isOpen())
        return std::nullopt;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return systemFailure();
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1; // with no data a read says so, and 0 means the device hung up
    tio.c_cc[VTIME] = 0;
    tio.c_cflag =
        (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS)) | dataBitsFlag(format.dataBits);
    switch (format.parity) {
    case QSerialPort::EvenParity:
        tio.c_cflag |= PARENB;
        break;
    case QSerialPort::OddParity:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case QSerialPort::MarkParity:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case QSerialPort::SpaceParity:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // A UART asked for two stop bits with 5 data bits sends one and a half.
    if (format.stopBits != QSerialPort::OneStop)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (format.handshaking == 1 || format.handshaking == 3)
        tio.c_iflag |= IXON | IXOFF | IXANY;
    if (format.handshaking >= 2)
        tio.c_cflag |= CRTSCTS;
    const auto named = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                    [&](const auto &speed) { return speed.first == format.baudRate; });
    if (named != std::end(kSpeeds))
        ::cfsetspeed(&tio, named->second);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return systemFailure();
    if (named == std::end(kSpeeds) && setTtySpeed(m_fd, format.baudRate) != 0)
        return failure(tr("%1 baud: %2").arg(format.baudRate).arg(QString::fromLocal8Bit(std::strerror(errno))));
    m_rtsByFlowControl = format.handshaking >= 2;
    m_gathering.setLine(format);
    return std::nullopt;
}

void TtyDevice::close()
{
    m_gathering.stop();
    m_readable.reset();
    m_writable.reset();
    m_received.clear();
    m_toWrite.clear();
    m_lock.reset();
    if (m_fd >= 0)
        ::close(m_fd); // the device is let go whatever close says: nothing is left to send
    m_fd = -1;
}

Failure TtyDevice::write(const QByteArray &bytes)
{
    if (!isOpen())
        return tr("Operation valid only when the port is open");
    qsizetype taken = 0;
    if (m_toWrite.isEmpty()) {
        const ssize_t n = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
        if (n < 0 && gone(errno)) {
            goneAway(); // its one message says what it cut short
            return std::nullopt;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return systemFailure();
        taken = std::max<qsizetype>(n, 0);
    }
    m_toWrite += QByteArrayView(bytes).sliced(taken);
    m_writable->setEnabled(!m_toWrite.isEmpty());
    return std::nullopt;
}

void TtyDevice::writeQueued()
{
    const ssize_t n = ::write(m_fd, m_toWrite.constData(), size_t(m_toWrite.size()));
    if (n > 0) {
        m_toWrite.remove(0, n);
        m_writeFailureSaid = false;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        if (gone(errno)) {
            goneAway();
            return;
        }
        // What the driver refuses now it will refuse again: trying would only spin.
        const Failure failure = this->failure(
            tr("%1 bytes not sent: %2").arg(m_toWrite.size()).arg(QString::fromLocal8Bit(std::strerror(errno))));
        m_toWrite.clear();
        if (!std::exchange(m_writeFailureSaid, true))
            emit writeFailed(*failure);
    }
    m_writable->setEnabled(!m_toWrite.isEmpty());
}

qint64 TtyDevice::bytesToWrite() const
{
    int inDriver = 0;
    if (!isOpen() || ::ioctl(m_fd, TIOCOUTQ, &inDriver) != 0)
        inDriver = 0;
    return m_toWrite.size() + inDriver;
}

qint64 TtyDevice::readWaiting()
{
    // One ioctl and one read take what the driver holds.
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
        waiting = 0;
    const qsizetype held = m_received.size();
    const qsizetype room = std::max(waiting, 1024);
    m_received.resize(held + room);
    ssize_t got = ::read(m_fd, m_received.data() + held, size_t(room));
    const int error = errno;
    m_received.resize(held + std::max<ssize_t>(got, 0));
    if (got == 0 || (got < 0 && gone(error)))
        return -1; // hung up
    return std::max<ssize_t>(got, 0);
}

void TtyDevice::onReadable()
{
    const qint64 got = readWaiting();
    if (got < 0)
        goneAway();
    else if (got > 0)
        delivered(got, false);
}

void TtyDevice::readGathered()
{
    // A pause goes back to the notifier.
    const qint64 got = readWaiting();
    if (got < 0)
        goneAway();
    else if (got > 0)
        delivered(got, true);
    else
        m_readable->setEnabled(true);
}

void TtyDevice::delivered(qint64 arrived, bool gathered)
{
    m_gathering.leaveAfter(arrived, gathered);
    m_gathering.dataCame();
    emit readyRead();
    if (isOpen()) // not closed by what it delivered
        m_readable->setEnabled(!m_gathering.leaving());
}

void TtyDevice::goneAway()
{
    // A hung-up device is always readable: the notifiers rest until the owner closes it.
    m_gathering.stop();
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    m_toWrite.clear();
    if (!std::exchange(m_goneSaid, true))
        emit lost(tr("%1 is no longer available (unplugged or closed)").arg(description()));
}

Failure TtyDevice::setModemLine(int line, bool on)
{
    if (m_noModemLines)
        return tr("%1 has no modem-control lines").arg(shownPath(m_path));
    if (!isOpen())
        return tr("Operation valid only when the port is open");
    if (line == TIOCM_RTS && m_rtsByFlowControl)
        return failure(tr("RTS is driven by RTS/CTS flow control"));
    if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0)
        return systemFailure();
    return std::nullopt;
}

Failure TtyDevice::setRequestToSend(bool on)
{
    return setModemLine(TIOCM_RTS, on);
}

Failure TtyDevice::setDataTerminalReady(bool on)
{
    return setModemLine(TIOCM_DTR, on);
}

Failure TtyDevice::setBreak(bool on)
{
    if (m_noModemLines)
        return tr("%1 has no modem-control lines").arg(shownPath(m_path));
    if (!isOpen())
        return tr("Operation valid only when the port is open");
    if (::ioctl(m_fd, on ? TIOCSBRK : TIOCCBRK) != 0)
        return systemFailure();
    return std::nullopt;
}

bool TtyDevice::clearToSend() const
{
    int lines = 0;
    if (m_noModemLines || !isOpen() || ::ioctl(m_fd, TIOCMGET, &lines) != 0)
        return false;
    return lines & TIOCM_CTS;
}
