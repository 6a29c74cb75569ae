// SPDX-License-Identifier: GPL-3.0-or-later
// The console's Intel-HEX download on the simulated board, as a user runs it: programming
// mode, P, H, the file. Prints the time for an image in 16-byte records against the floor of
// the download's own waits (500 ms per record, 2 ms per byte), then the CPU time the console
// uses while it sits idle for 10 s.
//   bench_programming [KiB]    (default 8: about five minutes)
#include "FakeDialogs.h"
#include "common/AppState.h"
#include "programmer/HexWriter.h"
#include "settings/SettingsStore.h"
#include "simulator/SimulatedBoard.h"
#include "terminal/frmTerminal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void type(TerminalSession &session, char key)
{
    session.typeKey(quint8(key));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kib = argc > 1 ? std::clamp(QByteArray(argv[1]).toInt(), 1, 8) : 8;

    QByteArray image(kib * 1024, Qt::Uninitialized);
    QRandomGenerator rng(8204);
    for (char &c : image)
        c = char(rng.bounded(256));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.hex"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(HexWriter::toIntelHex(0, image)) < 0)
        return std::fprintf(stderr, "cannot write %s\n", qPrintable(path)), 1;
    file.close();

    MemorySettingsStore store;
    if (store.WriteSetting(kAppTitle, QStringLiteral("Properties"), QStringLiteral("CommPort"), QStringLiteral("16")))
        return 1;
    FakeMessageBox messages;
    FakeFileDialog files;
    files.choices.push_back(path);
    auto chip = std::make_shared<SimulatedChip>();
    TerminalSession session(
        {store, messages, files, [chip](int, QString *) { return std::make_unique<SimulatedBoard>(chip); }});
    frmTerminal window(session, {{}, messages});
    session.togglePort();
    auto *progress = window.findChild<QProgressBar *>();

    QElapsedTimer clock;
    double downloadSeconds = 0, idleCpu = 0;
    QTimer::singleShot(50, &window, [&] { type(session, 'p'); });
    QTimer::singleShot(100, &window, [&] {
        clock.start();
        type(session, 'h');
    });
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        const auto &log = chip->instructions();
        const auto writes = std::count_if(log.begin(), log.end(),
                                          [](const auto &i) { return i.op == SimulatedChip::Op::WriteProgram; });
        if (downloadSeconds == 0 && writes >= image.size() && progress->isHidden()) {
            downloadSeconds = clock.nsecsElapsed() / 1e9;
            const double cpu0 = cpuSeconds();
            QTimer::singleShot(10000, &window, [&, cpu0] {
                idleCpu = cpuSeconds() - cpu0;
                type(session, 'x');
            });
        }
    });
    watch.start();
    window.mmuProg_Click(); // returns when x leaves programming mode

    const double floor = image.size() / 16 * 0.5 + image.size() * 0.002;
    const bool same = chip->memory(SimulatedChip::Space::Program).left(image.size()) == image;
    std::printf("download of %d KiB in 16-byte records: %.1f s, floor %.1f s, ratio %.3f; chip %s the file\n", kib,
                downloadSeconds, floor, downloadSeconds / floor, same ? "holds" : "does NOT hold");
    std::printf("console idle for 10 s: %.3f s CPU, %.2f %% of a core\n", idleCpu, idleCpu / 10 * 100);
    return same ? 0 : 1;
}
