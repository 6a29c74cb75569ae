// SPDX-License-Identifier: GPL-3.0-or-later
// tavro-prog's write and verify on the simulated board with the chip's real waits, side by side:
// 8 KiB with no latency, against the chip's own waits; 8 KiB through a modelled FTDI adapter in
// synchronous bit-bang with a 1 ms USB round trip; then behind a modelled USB adapter that applies
// every line change 1 ms late, with the settle time that needs, and what that means on a real
// adapter. Prints; asserts nothing.
//   bench_prog_cli [bytes behind the adapter]   (default 512; 8192 takes about 20 minutes)
#include "prog/CommandLine.h"
#include "prog/ProgRun.h"
#include "programmer/HexWriter.h"
#include "simulator/FtdiModel.h"
#include "simulator/SimulatedBoard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr double kWriteWait = 0.002; // the chip's own waits, seconds a byte
constexpr double kReadWait = 0.003;
constexpr int kLatencyUs = 1000;

struct Outcome
{
    double seconds = 0;
    int status = -1;
    bool holds = false;
    double perWritten = 0; // line operations a byte
    double perRead = 0;
};

Outcome writeAndVerify(const QByteArray &image, int latencyUs, bool bitbang = false)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.hex"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(HexWriter::toIntelHex(0, image)) < 0)
        return {};
    file.close();

    auto chip = std::make_shared<SimulatedChip>();
    const PortChoice board{1,
                           [chip, latencyUs](int, QString *) {
                               auto made = std::make_unique<SimulatedBoard>(chip);
                               made->setAdapterLatency(std::chrono::microseconds(latencyUs));
                               return made;
                           },
                           QStringLiteral("simulated board"), QStringLiteral("simulated board"),
                           [chip](QString *) { return std::make_unique<FtdiModel>(chip, FtdiModel::kFT232R); }};
    const CommandLine commandLine({QStringLiteral("tavro-prog"), QStringLiteral("--verbose"),
                                   QStringLiteral("--settle-us"), QString::number(bitbang ? 0 : latencyUs),
                                   QStringLiteral("--backend"), QString::fromLatin1(bitbang ? "ftdi" : "lines"),
                                   QStringLiteral("write"), path},
                                  StoredDefaults{});
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ProgRun run(commandLine.options(), {outStream, errStream});
    QElapsedTimer took;
    took.start();
    Outcome outcome;
    outcome.status = run.exec([&board](const QString &, QString *) { return board; });
    outcome.seconds = double(took.nsecsElapsed()) / 1e9;
    outStream.flush();
    outcome.holds = chip->memory(SimulatedChip::Space::Program).left(image.size()) == image;
    const auto figure = [&out](const char *step) {
        const QRegularExpression line(QStringLiteral("%1: \\d+ bytes, ([0-9.]+) line operations").arg(step));
        return line.match(out).captured(1).toDouble();
    };
    outcome.perWritten = figure("write");
    outcome.perRead = figure("verify");
    if (outcome.status != kDone)
        std::printf("%s%s", qPrintable(out), qPrintable(err));
    return outcome;
}

QByteArray randomImage(int size)
{
    QByteArray image(size, 0);
    for (char &c : image)
        c = char(QRandomGenerator::global()->bounded(256));
    return image;
}

// Seconds for 8 KiB written and verified on an adapter whose line requests take requestMs each.
double adapterSeconds(double perWritten, double perRead, double requestMs, double settleUs)
{
    const double operationSeconds = requestMs / 1000 + settleUs / 1e6;
    return 8192 * (perWritten * operationSeconds + kWriteWait + perRead * operationSeconds + kReadWait);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int kSize = 8192;
    const int adapterBytes = argc > 1 ? std::clamp(QByteArray(argv[1]).toInt(), 16, kSize) : 512;
    const double chipWaits = kSize * (kWriteWait + kReadWait);
    // Console download: a 500 ms programming enable before each 16-byte record, 2 ms a byte.
    const double consoleFloor = kSize / 16 * 0.5 + kSize * kWriteWait;

    const Outcome quick = writeAndVerify(randomImage(kSize), 0);
    const double above = (quick.seconds / chipWaits - 1) * 100;
    std::printf("tavro-prog write + verify, %d bytes on the simulated board: %.2f s (exit %d, chip %s)\n", kSize,
                quick.seconds, quick.status, quick.holds ? "holds the image" : "DIFFERS");
    std::printf("  chip's own waits (2 ms a byte written, 3 ms a byte read): %.2f s -> %.1f %% above them (goal 3 %%: "
                "%s)\n",
                chipWaits, above, above <= 3 ? "met" : "missed");
    std::printf("  of that, the one programming enable 0.5 s; the rest %.0f us a byte, waking and the program's work\n",
                (quick.seconds - chipWaits - 0.5) / (2 * kSize) * 1e6);
    std::printf("  line operations: %.1f a byte written, %.1f a byte read (setting every bit: 72 and 72)\n",
                quick.perWritten, quick.perRead);
    std::printf("  console download floor (0.5 s a 16-byte record + 2 ms a byte): %.1f s -> %.1f times faster\n",
                consoleFloor, consoleFloor / quick.seconds);

    const Outcome ftdi = writeAndVerify(randomImage(kSize), 0, true);
    std::printf("through a modelled FT232R in synchronous bit-bang, %d us round trip, %d bytes: %.2f s (exit %d, chip "
                "%s)\n",
                kLatencyUs, kSize, ftdi.seconds, ftdi.status, ftdi.holds ? "holds the image" : "DIFFERS");
    std::printf("  %.3f times the chip's own waits (goal 1.15: %s)\n", ftdi.seconds / chipWaits,
                ftdi.seconds / chipWaits <= 1.15 ? "met" : "missed");

    const Outcome slow = writeAndVerify(randomImage(adapterBytes), kLatencyUs);
    const double perByte = slow.seconds / adapterBytes;
    std::printf("behind an adapter with %d us latency, settle time %d us, %d bytes: %.2f s (exit %d, chip %s)\n",
                kLatencyUs, kLatencyUs, adapterBytes, slow.seconds, slow.status,
                slow.holds ? "holds the image" : "DIFFERS");
    std::printf("  line operations: %.1f a byte written, %.1f a byte read; %.1f ms a byte written and verified -> %.0f "
                "s for 8 KiB\n",
                slow.perWritten, slow.perRead, perByte * 1000, perByte * kSize);
    std::printf("  estimate for 8 KiB on a real adapter, every line request 1 ms plus the settle time:\n");
    for (const int settleUs : {0, 1000, 5000})
        std::printf("    settle %4d us: %5.0f s (setting every bit: %5.0f s), %.1f bytes written a second\n", settleUs,
                    adapterSeconds(slow.perWritten, slow.perRead, 1, settleUs), adapterSeconds(72, 72, 1, settleUs),
                    1 / (slow.perWritten * (0.001 + settleUs / 1e6) + kWriteWait));
    std::printf("  against bit-bang: %.0f times as long\n", slow.seconds / adapterBytes * kSize / ftdi.seconds);
    return quick.status == kDone && slow.status == kDone && ftdi.status == kDone ? 0 : 1;
}
