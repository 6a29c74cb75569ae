// Writing and verifying a full 8 KiB program memory through tavro-prog's run against the
// simulated board with the chip's real waits, against the console's download and the
// chip's own waits. Prints; asserts nothing.
#include "programmer/HexWriter.h"
#include "programmer/Timer3.h"
#include "programmer/cli/CommandLine.h"
#include "programmer/cli/ProgRun.h"
#include "serial/SimulatedBoard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int kSize = 8192;
    // Console download: a 500 ms programming enable before each 16-byte record, 2 ms a byte.
    constexpr double kConsoleFloor = kSize / 16 * 0.5 + kSize * 0.002;
    // The chip's own waits: 2 ms after each byte written, 3 ms after each byte read.
    constexpr double kChipWaits = kSize * 0.002 + kSize * 0.003;

    // What the system adds to every sleep: the chip's waits are 16384 of them. Measured with the
    // timer slack the shared timer asks for.
    const Timer3 slack;
    constexpr int kSamples = 200;
    QElapsedTimer sleeping;
    sleeping.start();
    for (int i = 0; i < kSamples; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double wakeLatency = (double(sleeping.nsecsElapsed()) / 1e9 - kSamples * 0.002) / kSamples;

    QByteArray image(kSize, 0);
    for (char &c : image)
        c = char(QRandomGenerator::global()->bounded(256));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.hex"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(HexWriter::toIntelHex(0, image)) < 0)
        return 1;
    file.close();

    auto chip = std::make_shared<SimulatedChip>();
    const PortChoice board{1, [chip](int, QString *) { return std::make_unique<SimulatedBoard>(chip); },
                           QStringLiteral("simulated board")};
    const CommandLine commandLine({QStringLiteral("tavro-prog"), QStringLiteral("write"), path}, StoredDefaults{});
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ProgRun run(commandLine.options(), {outStream, errStream});
    QElapsedTimer took;
    took.start();
    const int status = run.exec([&board](const QString &, QString *) { return board; });
    const double seconds = double(took.nsecsElapsed()) / 1e9;
    outStream.flush();
    errStream.flush();
    const bool holds = chip->memory(SimulatedChip::Space::Program) == image;

    std::printf("tavro-prog write + verify, %d bytes on the simulated board: %.2f s (exit %d, chip %s)\n", kSize,
                seconds, status, holds ? "holds the image" : "DIFFERS");
    // What no sleeping wait can avoid here: the chip's waits, the one programming enable and the
    // system's lateness in waking each of the 2 * kSize sleeps.
    const double latency = wakeLatency * 2 * kSize;
    const double floor = kChipWaits + 0.5 + latency;
    std::printf("  chip's own waits (2 ms a byte written, 3 ms a byte read): %.1f s -> %.1f %% above them%s\n",
                kChipWaits, (seconds / kChipWaits - 1) * 100,
                seconds <= kChipWaits * 1.05 ? " (goal of 5 % met)" : " (goal of 5 % missed)");
    std::printf("  floor here: %.1f s waits + 0.5 s programming enable + %.2f s wake-up latency (%.0f us a sleep,"
                " measured) = %.2f s -> the program's own cost %.2f s (%.1f %%)\n",
                kChipWaits, latency, wakeLatency * 1e6, floor, seconds - floor, (seconds - floor) / kChipWaits * 100);
    std::printf("  console download floor (0.5 s a 16-byte record + 2 ms a byte): %.1f s -> %.1f times faster\n",
                kConsoleFloor, kConsoleFloor / seconds);
    std::printf("%s%s", qPrintable(out), qPrintable(err));
    return status;
}
