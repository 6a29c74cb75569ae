#include "serial/MSComm.h"

#include <QStringList>

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

QString stopBitsText(QSerialPort::StopBits stop)
{
    switch (stop) {
    case QSerialPort::OneAndHalfStop:
        return QStringLiteral("1.5");
    case QSerialPort::TwoStop:
        return QStringLiteral("2");
    default:
        return QStringLiteral("1");
    }
}

} // namespace

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
    m_port = port;
    return std::nullopt;
}

Failure MSComm::parseSettings(const QString &text, LineFormat &format)
{
    const QString invalid = tr("Invalid property value: settings \"%1\"").arg(text);
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return invalid;
    LineFormat parsed = format;
    bool ok = false;
    parsed.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok || parsed.baudRate <= 0)
        return invalid;
    const QString parity = fields[1].trimmed().toLower();
    const auto *match = std::find_if(std::begin(kParities), std::end(kParities),
                                     [&](const ParityLetter &p) { return parity == p.letter; });
    if (match == std::end(kParities))
        return invalid;
    parsed.parity = match->parity;
    parsed.dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || parsed.dataBits < 4 || parsed.dataBits > 8)
        return invalid;
    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        parsed.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        parsed.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        parsed.stopBits = QSerialPort::TwoStop;
    else
        return invalid;
    format = parsed;
    return std::nullopt;
}

QString MSComm::Settings() const
{
    QChar parity = u'n';
    for (const auto &p : kParities)
        if (p.parity == m_format.parity)
            parity = p.letter;
    return QStringLiteral("%1,%2,%3,%4")
        .arg(m_format.baudRate)
        .arg(parity)
        .arg(m_format.dataBits)
        .arg(stopBitsText(m_format.stopBits));
}

Failure MSComm::setSettings(const QString &text)
{
    LineFormat format = m_format;
    if (auto failure = parseSettings(text, format))
        return failure;
    if (auto failure = applyToDevice(format))
        return failure;
    m_format = format;
    return std::nullopt;
}

Failure MSComm::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        return tr("Invalid property value: handshaking %1").arg(mode);
    LineFormat format = m_format;
    format.handshaking = mode;
    if (auto failure = applyToDevice(format))
        return failure;
    m_format = format;
    return std::nullopt;
}

Failure MSComm::checkFormat(int port, const LineFormat &format) const
{
    QString noDevice;
    const std::unique_ptr<SerialDevice> device = m_factory(port, &noDevice);
    return device ? device->apply(format) : std::nullopt; // a closed device only checks
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

void MSComm::endLinesByHand()
{
    // This only fails on a device that has gone, which reports itself as lost.
    if (--m_handHolds == 0 && m_format.handshaking >= 2)
        (void)applyToDevice(m_format);
}

bool MSComm::PortOpen() const
{
    return m_device && m_device->isOpen();
}

Failure MSComm::setPortOpen(bool open)
{
    if (!open) {
        m_device.reset();
        m_levels = {};
        return std::nullopt;
    }
    if (PortOpen())
        return tr("Port already open");
    QString error;
    std::unique_ptr<SerialDevice> device = m_factory(m_port, &error);
    if (!device)
        return error;
    if (auto failure = device->open(onDevice(m_format)))
        return failure;
    connect(device.get(), &SerialDevice::readyRead, this, [this] {
        m_commEvent = kDataReceived;
        emit OnComm();
    });
    connect(device.get(), &SerialDevice::lost, this, &MSComm::onDeviceLost, Qt::QueuedConnection);
    m_device = std::move(device);
    m_levels = {};
    // The kernel raises both lines at open; boards reset on DTR, so put back what was asked.
    // A device without modem lines (a pseudo-terminal) refuses these, which is no failure here.
    (void)setDTREnable(m_dtr);
    (void)setRTSEnable(m_rts);
    return std::nullopt;
}

void MSComm::onDeviceLost(const QString &description)
{
    if (!m_device)
        return; // already closed: one unplug raises several errors
    m_device.reset();
    m_levels = {};
    emit portLost(description);
}

Failure MSComm::deviceResult(Failure f) const
{
    if (!m_device)
        return tr("Operation valid only when the port is open");
    return f;
}

Failure MSComm::setLine(Line line, bool on)
{
    if (line == Line::RTS)
        m_rts = on;
    else if (line == Line::DTR)
        m_dtr = on; // remembered while closed, applied at open
    if (!m_device)
        return line == Line::Break ? deviceResult({}) : std::nullopt;
    ++m_lineOperations;
    const Failure failure = line == Line::RTS   ? m_device->setRequestToSend(on)
                            : line == Line::DTR ? m_device->setDataTerminalReady(on)
                                                : m_device->setBreak(on);
    m_levels[size_t(line)] = failure ? std::nullopt : std::optional<bool>(on);
    return failure;
}

bool MSComm::lineAt(Line line, bool level) const
{
    return m_device && m_levels[size_t(line)] == level;
}

bool MSComm::CTSHolding() const
{
    if (!m_device)
        return false;
    ++m_lineOperations;
    return m_device->clearToSend();
}

Failure MSComm::Output(const QByteArray &bytes)
{
    return m_device ? m_device->write(bytes) : deviceResult({});
}

QByteArray MSComm::Input()
{
    return m_device ? m_device->readAll() : QByteArray();
}

int MSComm::OutBufferCount() const
{
    return m_device ? int(m_device->bytesToWrite()) : 0;
}

