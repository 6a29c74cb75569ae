// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/Probe.h"

#include "serial/UsbFacts.h"
#include "network/NetworkAddress.h"
#include "prog/NetworkProbe.h"
#include "prog/ProgRun.h"
#include "serial/PortMap.h"

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
    m_out << "Back ends: lines" << (port.ftdi ? ", ftdi (synchronous bit-bang)" : "") << "; the port map asks for "
          << port.backend << '\n';
}

Failure Probe::measure(MSComm &comm, double &median, double &worst)
{
    std::vector<double> seconds;
    for (int change = 0; change < kChanges; ++change) {
        QElapsedTimer took;
        took.start();
        if (Failure failure = comm.setRTSEnable(change % 2 == 0))
            return failure;
        seconds.push_back(double(took.nsecsElapsed()) / 1e9);
    }
    if (Failure failure = comm.setRTSEnable(false))
        return failure;
    std::sort(seconds.begin(), seconds.end());
    median = seconds[seconds.size() / 2];
    worst = seconds.back();
    return std::nullopt;
}

int Probe::run(const PortChoice &port, const MSComm::DeviceFactory &factory, QString &failure)
{
    if (NetworkAddress::isUrl(port.path))
        return NetworkProbe(m_out).run(port, factory, failure);
    describe(port);
    MSComm comm(factory);
    double median = 0, worst = 0;
    if (Failure refused = comm.setCommPort(port.number); refused || (refused = comm.open())) {
        failure = QStringLiteral("cannot open ") + *refused;
        return kPortFailure;
    }
    if (Failure refused = measure(comm, median, worst)) {
        failure = *refused + QStringLiteral(", so the chip cannot be programmed through it");
        return kPortFailure;
    }
    m_out << "Line change round trip over " << kChanges << " RTS changes: median "
          << QString::number(median * 1000, 'f', 3) << " ms, worst " << QString::number(worst * 1000, 'f', 3)
          << " ms; settle time " << comm.settleUs() << " us\n";
    const double perChange = median + comm.settleUs() / 1e6;
    m_out << "8 KiB written and verified, estimated: "
          << qRound(kBytes * (kLineOperations * perChange + kChipWaits) + kEnable) << " s through the modem lines";
    if (port.ftdi)
        m_out << ", "
              << qRound(kBytes * (kStatesPerByte / FtdiBackend::kPinRate + kChipWaits) + 2 * kBytes / kBatch * median
                        + kEnable)
              << " s through bit-bang";
    m_out << '\n';
    return kDone;
}
