// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter/LibFtdiBus.h"

#include <QElapsedTimer>
#include <QObject>
#include <ftdi.h>

namespace {
constexpr int kStalledMs = 1000; // no sample for this long: the chip has stopped answering
constexpr int kNotFound = -3, kNoAccess = -4, kNotClaimed = -5;
} // namespace

LibFtdiBus::LibFtdiBus(ftdi_context *context, const UsbFacts &facts)
    : m_context(context)
    , m_facts(facts)
{}

std::unique_ptr<LibFtdiBus> LibFtdiBus::open(const UsbFacts &facts, QString *error)
{
    ftdi_context *context = ftdi_new();
    if (!context) {
        *error = QObject::tr("libftdi1 could not start (out of memory)");
        return nullptr;
    }
    std::unique_ptr<LibFtdiBus> bus(new LibFtdiBus(context, facts));
    const QString where = QObject::tr("USB device %1 (%2) on bus %3, address %4")
                              .arg(facts.id(), facts.description)
                              .arg(facts.bus)
                              .arg(facts.address);
    context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    if (ftdi_set_interface(context, ftdi_interface(INTERFACE_A + facts.interfaceNumber)) < 0) {
        *error = QObject::tr("%1: channel %2 cannot do bit-bang; use the port's modem lines (--backend lines)")
                     .arg(where)
                     .arg(facts.interfaceNumber);
        return nullptr;
    }
    const int opened = ftdi_usb_open_bus_addr(context, quint8(facts.bus), quint8(facts.address));
    if (opened == kNoAccess)
        *error = QObject::tr("%1: no permission; install the udev rule /usr/lib/udev/rules.d/60-tavro-ftdi.rules "
                             "(package tavro-common) and plug the adapter in again; over ssh, join the group dialout")
                     .arg(where);
    else if (opened == kNotFound)
        *error = QObject::tr("%1 is gone (unplugged); plug it in again").arg(where);
    else if (opened == kNotClaimed)
        *error = QObject::tr("%1 is held by another program; close it first").arg(where);
    else if (opened < 0)
        *error = QObject::tr("%1: %2").arg(where, QString::fromUtf8(ftdi_get_error_string(context)));
    if (opened < 0)
        return nullptr;
    bus->m_open = true;
    // Samples come back a millisecond after they are taken, not the chip's default 16.
    if (Failure failure = bus->checked(ftdi_set_latency_timer(context, 1), "latency timer"))
        return *error = *failure, nullptr;
    return bus;
}

std::function<std::unique_ptr<FtdiBus>(QString *error)> LibFtdiBus::openerFor(const QString &devicePath,
                                                                              const QString &sysRoot)
{
    const std::optional<UsbFacts> facts = UsbFacts::of(devicePath, sysRoot);
    if (!facts || !facts->hasSyncBitbang())
        return {};
    return [facts = *facts](QString *error) -> std::unique_ptr<FtdiBus> { return open(facts, error); };
}

LibFtdiBus::~LibFtdiBus()
{
    if (m_open)
        ftdi_usb_close(m_context); // attaches the serial driver again
    ftdi_free(m_context);
}

Failure LibFtdiBus::checked(int result, const char *what) const
{
    if (result >= 0)
        return std::nullopt;
    return QObject::tr("USB device %1 (%2), %3: %4")
        .arg(m_facts.id(), m_facts.description, QLatin1String(what),
             QString::fromUtf8(ftdi_get_error_string(m_context)));
}

FtdiBuffers LibFtdiBus::buffers() const
{
    switch (m_context->type) {
    case TYPE_2232C:
        return {384, 128};
    case TYPE_232H:
        return {1024, 1024};
    case TYPE_2232H:
    case TYPE_4232H:
        return {4096, 4096};
    default:
        return {128, 256};
    }
}

Failure LibFtdiBus::readPins(quint8 &pins)
{
    unsigned char read = 0;
    const Failure failure = checked(ftdi_read_pins(m_context, &read), "reading the pins");
    pins = read;
    return failure;
}

Failure LibFtdiBus::setSyncBitbang(quint8 outputs)
{
    if (m_context->type != TYPE_R && m_context->type != TYPE_2232C && m_context->type != TYPE_2232H
        && m_context->type != TYPE_4232H && m_context->type != TYPE_232H)
        return QObject::tr("USB device %1 (%2) has no synchronous bit-bang; use the port's modem lines "
                           "(--backend lines)")
            .arg(m_facts.id(), m_facts.description);
    if (Failure failure = checked(ftdi_tcioflush(m_context), "flushing"))
        return failure;
    return checked(ftdi_set_bitmode(m_context, outputs, BITMODE_SYNCBB), "synchronous bit-bang");
}

Failure LibFtdiBus::resetBitmode()
{
    return checked(ftdi_set_bitmode(m_context, 0, BITMODE_RESET), "back to the UART");
}

Failure LibFtdiBus::setPinRate(int statesPerSecond)
{
    return checked(ftdi_set_baudrate(m_context, statesPerSecond), "pin rate");
}

Failure LibFtdiBus::write(const QByteArray &states)
{
    const int written =
        ftdi_write_data(m_context, reinterpret_cast<const unsigned char *>(states.constData()), int(states.size()));
    if (Failure failure = checked(written, "writing"))
        return failure;
    if (written != states.size())
        return QObject::tr("USB device %1 (%2) took %3 of %4 states")
            .arg(m_facts.id(), m_facts.description)
            .arg(written)
            .arg(states.size());
    return std::nullopt;
}

Failure LibFtdiBus::read(QByteArray &samples, int count)
{
    // Each call waits for the chip's next USB packet, at most a millisecond with the latency timer
    // set: no busy loop.
    QByteArray part(count, Qt::Uninitialized);
    QElapsedTimer stalled;
    stalled.start();
    for (int got = 0; got < count;) {
        const int read = ftdi_read_data(m_context, reinterpret_cast<unsigned char *>(part.data()) + got, count - got);
        if (Failure failure = checked(read, "reading"))
            return failure;
        if (read > 0)
            stalled.restart();
        else if (stalled.elapsed() > kStalledMs)
            return QObject::tr("USB device %1 (%2) stopped answering").arg(m_facts.id(), m_facts.description);
        got += read;
    }
    samples += part;
    return std::nullopt;
}
