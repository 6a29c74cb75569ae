// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ProgRun.h"

#include "common/Hex.h"
#include "common/ShownPath.h"
#include "network/NetworkAddress.h"
#include "prog/NetworkProbe.h"
#include "prog/OutputFile.h"
#include "prog/Probe.h"
#include "prog/ProgressBar.h"
#include "programmer/HexImage.h"
#include "programmer/HexWriter.h"
#include "programmer/Programmer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

// The largest image of this chip in one-byte records is about 0.1 MB; anything far beyond
// that is no HEX file for it (or a device such as /dev/zero).
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
constexpr int kShownFaults = 10;

// Device messages mostly name the device already.
QString onPort(const PortChoice &port, const QString &text)
{
    return text.startsWith(port.name) ? text : port.name + QStringLiteral(": ") + text;
}

QString seconds(const QElapsedTimer &timer)
{
    return QString::number(double(timer.elapsed()) / 1000.0, 'f', 1);
}

// The line operations and the time of one step, for --verbose.
class StepMeter
{
public:
    explicit StepMeter(const MSComm &comm)
        : m_comm(comm)
        , m_operations(comm.lineOperations())
    {
        m_took.start();
    }
    QString report(const char *step, qsizetype bytes) const
    {
        const double perByte = double(m_comm.lineOperations() - m_operations) / double(std::max<qsizetype>(bytes, 1));
        return QStringLiteral("  %1: %2 bytes, %3 line operations a byte, %4 s\n")
            .arg(QLatin1String(step))
            .arg(bytes)
            .arg(perByte, 0, 'f', 1)
            .arg(seconds(m_took));
    }

private:
    const MSComm &m_comm;
    quint64 m_operations;
    QElapsedTimer m_took;
};

// The factory's device with the settle time given on the command line.
MSComm::DeviceFactory settling(MSComm::DeviceFactory factory, std::optional<int> settleUs)
{
    if (!settleUs)
        return factory;
    return [factory = std::move(factory), us = *settleUs](int port, QString *error) {
        std::unique_ptr<SerialDevice> device = factory(port, error);
        if (device)
            device->setSettleUs(us);
        return device;
    };
}

} // namespace

QTextStream &ProgRun::fail()
{
    if (m_io.progress)
        m_io.progress->finish();
    return m_io.err << "tavro-prog: ";
}

QTextStream &ProgRun::result()
{
    if (m_io.progress)
        m_io.progress->finish();
    return m_hexOnOut ? m_io.err : m_io.out;
}

// Nothing but FF or nothing but 00 is what a chip that does not answer gives on CTS.
void ProgRun::hintIfBlank(const std::optional<quint8> &everyByte, qsizetype count)
{
    if (count > 1 && everyByte && (*everyByte == 0xFF || *everyByte == 0x00))
        result() << "Every byte came back as " << Hex::fByte(*everyByte) << ": the chip may not be connected or powered"
                 << (*everyByte == 0xFF ? " (or it is erased)" : "") << ".\n";
}

QString ProgRun::spaceName() const
{
    return m_options.dataSpace ? QStringLiteral("data memory") : QStringLiteral("program memory");
}

ChipSession::Progress ProgRun::progressAs(const QString &what) const
{
    if (!m_io.progress)
        return {};
    m_io.progress->start(what);
    return [bar = m_io.progress](qsizetype done, qsizetype total) { bar->update(done, total); };
}

std::optional<std::map<quint32, quint8>> ProgRun::loadImage()
{
    const QString path = shownPath(m_options.file);
    QFile file(m_options.file);
    const QFileInfo info(m_options.file);
    if (info.exists() && !info.isFile()) {
        fail() << path << ": not a regular file\n";
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        fail() << path << ": " << file.errorString() << '\n';
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        fail() << path << ": " << file.size() << " bytes is far too large for a HEX file of this chip\n";
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        fail() << path << ": " << file.errorString() << '\n';
        return std::nullopt;
    }
    const HexImage image = HexImage::parse(text, quint32(ChipMemory::lastAddress(m_options.dataSpace)));
    if (!image.ok()) {
        for (const HexImage::Fault &fault :
             image.faults().first(std::min<qsizetype>(kShownFaults, image.faults().size())))
            fail() << path << ':' << fault.line << ": " << fault.reason << '\n';
        if (image.faultCount() > kShownFaults)
            fail() << path << ": " << image.faultCount() - kShownFaults << " more faults\n";
        fail() << path << " not used: nothing was sent to the chip\n";
        return std::nullopt;
    }
    if (image.bytes().empty()) {
        fail() << path << ": holds no data for the " << spaceName() << '\n';
        return std::nullopt;
    }
    return image.bytes();
}

int ProgRun::exec(const PortResolver &resolvePort)
{
    std::map<quint32, quint8> image;
    const bool isRead = m_options.command == ProgOptions::Command::Read;
    const bool isProbe = m_options.command == ProgOptions::Command::Probe;
    if (!isRead && !isProbe) {
        std::optional<std::map<quint32, quint8>> loaded = loadImage();
        if (!loaded)
            return kBadInput;
        image = std::move(*loaded);
    }
    // Opened before the chip is held, so a read never ends in a file that cannot be written.
    std::optional<OutputFile> output;
    if (isRead) {
        output.emplace(m_options.file);
        if (const Failure failure = output->open()) {
            // Ctrl-C while a FIFO waits for its reader.
            if (m_io.stopRequested && m_io.stopRequested()) {
                fail() << "interrupted; nothing was read\n";
                return kInterrupted;
            }
            fail() << *failure << '\n';
            return kBadInput;
        }
        m_hexOnOut = output->isStandardOutput();
    }

    QString error;
    const std::optional<PortChoice> port = resolvePort(m_options.port, &error);
    if (!port) {
        fail() << error << '\n';
        return kPortFailure;
    }
    // A network port's probe asks its server, which holds no chip to program.
    if (isProbe && NetworkAddress::isUrl(port->path)) {
        const int status = NetworkProbe(m_io.out).run(*port, settling(port->factory, m_options.settleUs), error);
        if (status != kDone)
            fail() << onPort(*port, error) << '\n';
        return status;
    }
    // probe names the device only once it is known to be one.
    if (!m_options.quiet && !isProbe)
        result() << "Port: " << port->device << '\n' << Qt::flush;
    MSComm comm(settling(port->factory, m_options.settleUs));
    Failure failure = comm.setCommPort(port->number);
    if (const Failure refused = failure ? std::nullopt : comm.refusesProgramming()) {
        fail() << onPort(*port, *refused) << '\n';
        return kPortFailure;
    }
    if (failure || (failure = comm.open())) {
        fail() << "cannot open " << onPort(*port, *failure) << '\n';
        return kPortFailure;
    }
    BackendChoice backend;
    if (const int status = takeBackend(*port, comm, backend); status != kDone)
        return status;
    if (isProbe) {
        const int status = Probe(m_io.out).run(*port, comm, backend, backendAsked(*port), error);
        if (status != kDone)
            fail() << onPort(*port, error) << '\n';
        return status;
    }
    Programmer programmer(comm, m_io.waits.chipScale);
    programmer.setInvertsData(m_options.invertData);
    if (backend.ftdi)
        programmer.useBackend(&backend.ftdi->backend());
    if (m_options.verbose && backend.ftdi)
        m_io.out << "Back end: FTDI synchronous bit-bang, " << FtdiBackend::kPinRate << " pin states a second.\n";
    else if (m_options.verbose)
        m_io.out << "Settle time: " << comm.settleUs() << " us after every line change.\n";
    try {
        ChipSession session(comm, programmer.target(), programmer.chip(), m_options.dataSpace, m_io.stopRequested);
        return runSession(session, comm, image, output ? &*output : nullptr);
    } catch (const SessionStopped &) {
        fail() << "interrupted; the target is released\n";
        return kInterrupted;
    } catch (const ChipError &e) {
        fail() << onPort(*port, e.description()) << '\n';
        return kPortFailure;
    }
}

QString ProgRun::backendAsked(const PortChoice &port) const
{
    if (m_options.backend)
        return QStringLiteral("--backend ") + *m_options.backend;
    if (port.backend != QLatin1String("auto"))
        return QStringLiteral("%1Backend=%2 in the port map").arg(port.name, port.backend);
    return QStringLiteral("auto");
}

int ProgRun::takeBackend(const PortChoice &port, MSComm &comm, BackendChoice &backend)
{
    // The port was opened all the same, so that one another program holds is refused as busy; the
    // serial driver then lets go of the chip for bit-bang, and has it back if that fails.
    BitbangOffer offer{m_options.backend.value_or(port.backend), port.ftdi, port.device};
    if (!m_options.backend)
        offer.askedBy = backendAsked(port);
    bool reopened = true;
    backend = BackendChoice::take(
        offer, [&comm] { comm.close(); },
        [&comm, &reopened] {
            const Failure failure = comm.open();
            reopened = !failure;
            return failure;
        });
    if (backend.fellBack)
        m_io.err << "tavro-prog: " << onPort(port, *backend.fellBack) << '\n';
    if (backend.stop) {
        fail() << (reopened ? QString() : QStringLiteral("cannot open ")) << onPort(port, *backend.stop) << '\n';
        return kPortFailure;
    }
    return kDone;
}

int ProgRun::runSession(ChipSession &session, const MSComm &comm, const std::map<quint32, quint8> &image,
                        OutputFile *output)
{
    QElapsedTimer took;
    took.start();
    const auto verbose = [this](const StepMeter &meter, const char *step, qsizetype bytes) {
        if (m_options.verbose)
            result() << meter.report(step, bytes);
    };
    switch (m_options.command) {
    case ProgOptions::Command::Write: {
        const StepMeter meter(comm);
        session.write(image, progressAs(QStringLiteral("Writing  ")));
        verbose(meter, "write", qsizetype(image.size()));
        result() << "Wrote " << image.size() << " bytes of " << spaceName() << " from " << shownPath(m_options.file)
                 << ".\n"
                 << Qt::flush;
    }
        [[fallthrough]];
    case ProgOptions::Command::Verify: {
        const StepMeter meter(comm);
        const ChipSession::VerifyReport report = session.verify(image, progressAs(QStringLiteral("Verifying")));
        verbose(meter, "verify", report.verified);
        if (report.ok())
            result() << "Verified " << report.verified << " bytes of " << spaceName() << " against "
                     << shownPath(m_options.file) << " in " << seconds(took) << " s.\n";
        const int status = reportVerify(report);
        if (!report.ok())
            hintIfBlank(report.everyByte, report.verified);
        return status;
    }
    case ProgOptions::Command::Read: {
        const StepMeter meter(comm);
        const QByteArray bytes = session.read(m_options.first, m_options.last, progressAs(QStringLiteral("Reading  ")));
        verbose(meter, "read", bytes.size());
        if (const Failure failure = output->commit(HexWriter::toIntelHex(m_options.first, bytes))) {
            fail() << *failure << '\n';
            return kBadInput;
        }
        result() << "Read " << bytes.size() << " bytes of " << spaceName() << " ("
                 << Hex::fWord(qint32(m_options.first)) << '-' << Hex::fWord(qint32(m_options.last)) << ") into "
                 << shownPath(m_options.file) << " in " << seconds(took) << " s.\n";
        const bool same = std::all_of(bytes.begin(), bytes.end(), [&bytes](char c) { return c == bytes.front(); });
        hintIfBlank(same && !bytes.isEmpty() ? std::optional<quint8>(quint8(bytes.front())) : std::nullopt,
                    bytes.size());
        return kDone;
    }
    case ProgOptions::Command::Probe: // holds no chip: answered in exec
    case ProgOptions::Command::List:  // needs no port: answered before the run
        break;
    }
    return kDone;
}

int ProgRun::reportVerify(const ChipSession::VerifyReport &report)
{
    if (report.ok())
        return kDone;
    result() << "Verify failed: " << report.mismatches << " of " << report.verified << " bytes of " << spaceName()
             << " differ from " << shownPath(m_options.file) << ".\n";
    m_io.out << "  address  chip  file\n";
    for (const ChipSession::Mismatch &m : report.first)
        m_io.out << "  " << Hex::fWord(qint32(m.address)) << "     " << Hex::fByte(m.inChip) << "    "
                 << Hex::fByte(m.inFile) << '\n';
    if (report.mismatches > report.first.size())
        m_io.out << "  ... and " << report.mismatches - report.first.size() << " more\n";
    m_io.out.flush();
    return kDiffers;
}
