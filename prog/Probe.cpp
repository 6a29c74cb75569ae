// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/Probe.h"

#include "prog/ProgRun.h"
#include "serial/PortMap.h"
#include "serial/UsbFacts.h"

#include <QElapsedTimer>
#include <algorithm>
#include <vector>

namespace {
constexpr double kBytes = 8192;
constexpr double kChipWaits = 0.005; // 2 ms a byte written, 3 ms a byte read
constexpr double kEnable = 0.5;
// Line operations a byte on the modem lines, as measured: written, then read back.
constexpr double kLineOperations = 61 + 64;
constexpr double kStatesPerByte = 2 * 48; // bit-bang: a write and a read, two states a bit
constexpr double kBatch = 32;             // bytes a run of bit-bang, one round trip each

// Seconds for 8 KiB written and verified through bit-bang, for a USB round trip in seconds.
qint64 bitbangEstimate(double roundTrip)
{
    return qRound64(kBytes * (kStatesPerByte / FtdiBackend::kPinRate + kChipWaits) + 2 * kBytes / kBatch * roundTrip
                    + kEnable);
}

QString milliseconds(double seconds)
{
    return QString::number(seconds * 1000, 'f', 3) + QStringLiteral(" ms");
}
} // namespace

void Probe::describe(const PortChoice &port)
{
    m_out << "Device: " << port.device << '\n';
    if (const std::optional<UsbFacts> facts = UsbFacts::of(port.path, m_sysRoot))
        m_out << "Driver: " << (facts->driver.isEmpty() ? QStringLiteral("none") : facts->driver) << ", USB "
              << facts->id() << " \"" << facts->description << "\", bus " << facts->bus << " address " << facts->address
              << '\n';
    else if (port.path == PortMap::kSimulatedBoard)
        m_out << "The built-in simulated board: a model, no USB device\n";
    else
        m_out << "No USB device behind it, as sysfs tells\n";
}

Failure Probe::measure(int times, const std::function<Failure(int)> &step, double &median, double &worst)
{
    std::vector<double> seconds;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer took;
        took.start();
        if (Failure failure = step(i))
            return failure;
        seconds.push_back(double(took.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    median = seconds[seconds.size() / 2];
    worst = seconds.back();
    return std::nullopt;
}

int Probe::run(const PortChoice &port, MSComm &comm, BackendChoice &backend, const QString &asked, QString &failure)
{
    describe(port);
    m_out << "Back end: " << (backend.ftdi ? "FTDI synchronous bit-bang" : "the port's modem lines") << " (" << asked
          << ")\n";
    double median = 0, worst = 0;
    // A sample alone changes no pin: one bit-bang transfer there and back.
    const PinStep sample{PinStep::Kind::Sample};
    const auto transfer = [&backend, &sample](int) {
        std::vector<bool> samples;
        return backend.ftdi->backend().run(std::span(&sample, 1), samples);
    };
    const auto change = [&comm](int i) { return comm.setRTSEnable(i % 2 == 0); };
    if (Failure refused =
            backend.ftdi ? measure(kTransfers, transfer, median, worst) : measure(kChanges, change, median, worst)) {
        failure = *refused + QStringLiteral(", so the chip cannot be programmed through it");
        return kPortFailure;
    }
    if (backend.ftdi) {
        m_out << "Bit-bang round trip over " << kTransfers << " transfers: median " << milliseconds(median)
              << ", worst " << milliseconds(worst) << '\n'
              << "8 KiB written and verified, estimated: " << bitbangEstimate(median) << " s through bit-bang\n";
        return kDone;
    }
    if (Failure refused = comm.setRTSEnable(false)) {
        failure = *refused;
        return kPortFailure;
    }
    m_out << "Line change round trip over " << kChanges << " RTS changes: median " << milliseconds(median) << ", worst "
          << milliseconds(worst) << "; settle time " << comm.settleUs() << " us\n";
    const double perChange = median + comm.settleUs() / 1e6;
    m_out << "8 KiB written and verified, estimated: "
          << qRound64(kBytes * (kLineOperations * perChange + kChipWaits) + kEnable) << " s through the modem lines";
    // A chip that has bit-bang, not asked to use it: a line change stands for the USB round trip.
    if (port.ftdi && !backend.fellBack)
        m_out << "; " << bitbangEstimate(median) << " s through bit-bang (--backend ftdi)";
    m_out << '\n';
    return kDone;
}
