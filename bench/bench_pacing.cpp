// SPDX-License-Identifier: GPL-3.0-or-later
// Pacing accuracy of the text sender: the measured pause between lines against the set one.
// Usage: bench_pacing [delay-ms ...]   (default: 20 50 100), 100 lines each.
#include "FakeSenderHost.h"
#include "common/Waits.h"
#include "transfer/TextSender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

void measure(const QString &path, int delayMs, int lines)
{
    FakeSenderHost host;
    host.lastFile = path;
    host.settings.chkLineDelay = 1;
    host.settings.txtLineDelay = QString::number(delayMs);
    TextSender(host, host.app, Waits().eolTimeoutMs).SendText();
    for (const auto &shown : host.messageBox.shown)
        std::fprintf(stderr, "message: %s\n", qPrintable(shown.text));
    const QList<double> ends = host.lineEnds();
    double sum = 0, worst = 0;
    const int gaps = int(ends.size()) - 1;
    for (int i = 1; i <= gaps; ++i) {
        const double error = ends[i] - ends[i - 1] - delayMs;
        sum += error;
        worst = std::max(worst, std::abs(error));
    }
    std::printf("%8d ms %8d %+12.2f ms %12.2f ms\n", delayMs, lines, gaps > 0 ? sum / gaps : 0.0, worst);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> delays;
    for (int i = 1; i < argc; ++i)
        delays.append(std::atoi(argv[i]));
    if (delays.isEmpty())
        delays = {20, 50, 100};
    constexpr int kLines = 100;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < kLines; ++i)
        file.write("10 PRINT \"HELLO\"\r\n");
    file.close();
    std::printf("%11s %8s %15s %15s\n", "line pause", "lines", "mean error", "worst error");
    for (int delay : delays)
        measure(path, delay, kLines);
    return 0;
}
