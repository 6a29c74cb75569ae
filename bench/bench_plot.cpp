// SPDX-License-Identifier: GPL-3.0-or-later
// The plot's costs, headless: a full 100 000-point window of four series redrawn (the replot and
// the paint), with a check that two one-sample spikes are still in the picture; the parser and
// model per line; and the redraws a second and the CPU share under a stream paced like a
// 921600-baud line. Prints figures and the peak resident memory.
//   bench_plot                     the figures
//   bench_plot --show SECONDS PNG  a window fed a sine and a square wave, the screen saved after
//                                  SECONDS (run it under xvfb-run to look at the plot)
#include "plot/PlotCanvas.h"
#include "plot/PlotModel.h"
#include "plot/PlotView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {
// A board's line: a sine, a square wave, noise and a ramp, in four labelled series.
QByteArray boardLine(qint64 n)
{
    const double noise = double((n * 7919) % 200) / 200 - 0.5;
    return QStringLiteral("sine:%1 square:%2 noise:%3 ramp:%4\r\n")
        .arg(std::sin(double(n) / 40), 0, 'f', 4)
        .arg((n / 150) % 2 ? 1 : -1)
        .arg(noise, 0, 'f', 3)
        .arg(double(n % 1000) / 1000, 0, 'f', 3)
        .toLatin1();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Whether the picture holds the graph's colour within two pixels of where its value is drawn.
bool drawn(PlotCanvas &canvas, const QImage &picture, int series, qint64 x, double value)
{
    const QColor colour = canvas.graph(series)->pen().color();
    const int column = int(canvas.xAxis->coordToPixel(double(x)));
    const int row = int(canvas.yAxis->coordToPixel(value));
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor pixel = picture.pixelColor(column + dx, row + dy);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green())
                    + std::abs(pixel.blue() - colour.blue())
                < 60)
                return true;
        }
    return false;
}

void fullWindowRedraw()
{
    constexpr qint64 kPoints = PlotModel::kMaxWindow;
    constexpr qint64 kSpikeUp = 61'234, kSpikeDown = 20'011;
    PlotModel model;
    model.setWindow(kPoints);
    for (qint64 n = 0; n < kPoints; ++n) {
        if (n == kSpikeUp)
            model.receive("sine:0 square:1 noise:0 ramp:5\r\n");
        else if (n == kSpikeDown)
            model.receive("sine:-4 square:1 noise:0 ramp:0.5\r\n");
        else
            model.receive(boardLine(n));
    }
    PlotCanvas canvas(model);
    canvas.resize(1200, 600);
    canvas.show();
    canvas.redraw();
    canvas.repaint();
    constexpr int kRuns = 20;
    QList<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        model.receive(boardLine(kPoints + run)); // the window rolls by a sample, as it does live
        QElapsedTimer clock;
        clock.start();
        canvas.redraw();
        canvas.repaint();
        ms.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const QImage picture = canvas.grab().toImage();
    std::printf("full window redraw, 4 series x %lld points, 1200x600: median %.2f ms, worst %.2f ms (goal < 20 ms)\n",
                kPoints, ms[kRuns / 2], ms.last());
    std::printf("  one-sample spikes in the picture: up at sample %lld %s, down at sample %lld %s\n", kSpikeUp,
                drawn(canvas, picture, 3, kSpikeUp, 5) ? "drawn" : "MISSING", kSpikeDown,
                drawn(canvas, picture, 0, kSpikeDown, -4) ? "drawn" : "MISSING");
}

void perLine()
{
    const QList<QByteArray> kinds = {"temp:21.53 hum:40.25 press:1013.2 volt:3.301\r\n", "512,498,3,77\r\n"};
    for (const QByteArray &line : kinds) {
        QByteArray chunk;
        qint64 linesInChunk = 0;
        for (; chunk.size() + line.size() <= 4096; ++linesInChunk)
            chunk += line;
        PlotModel model;
        constexpr int kChunks = 20'000;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kChunks; ++i)
            model.receive(chunk);
        const double ns = double(clock.nsecsElapsed()) / double(kChunks * linesInChunk);
        std::printf("parser and model: %.0f ns a line of \"%s\"\n", ns, line.trimmed().constData());
    }
}

void pacedStream()
{
    // 921600 baud carries 92160 bytes a second; a read every 5 ms, as a port delivers them.
    constexpr int kReadMs = 5, kSeconds = 3;
    constexpr qint64 kBytesPerRead = 92160 * kReadMs / 1000;
    PlotModel model;
    PlotView view(model);
    view.resize(1000, 500);
    view.show();
    QByteArray stream; // made before, so that the board's formatting is not counted
    for (qint64 n = 0; stream.size() < 92160 * (kSeconds + 1); ++n)
        stream += boardLine(n);
    qint64 sent = 0;
    QTimer reads;
    QObject::connect(&reads, &QTimer::timeout, [&] {
        model.receive(QByteArrayView(stream).sliced(sent, kBytesPerRead));
        sent += kBytesPerRead;
    });
    const int redrawsBefore = view.canvas()->redraws();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    reads.start(kReadMs);
    QTimer::singleShot(kSeconds * 1000, qApp, &QCoreApplication::quit);
    QApplication::exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("stream paced like 921600 baud, %.0f lines/s of four numbers, window %lld: %.1f redraws/s, "
                "%.1f %% of a core (no X server)\n",
                double(std::count(stream.cbegin(), stream.cbegin() + sent, '\n')) / seconds, qint64(model.window()),
                (view.canvas()->redraws() - redrawsBefore) / seconds, 100 * (cpuSeconds() - cpuBefore) / seconds);
    std::printf("  replot alone: %.2f ms on average\n", view.canvas()->replotTime(true));
}

int show(int seconds, const QString &png)
{
    PlotModel model;
    PlotView view(model);
    view.resize(900, 520);
    view.show();
    qint64 n = 0;
    QTimer board;
    QObject::connect(&board, &QTimer::timeout, [&] {
        const double sine = 2 * std::sin(double(n) / 25);
        model.receive(
            QStringLiteral("sine:%1 square:%2\r\n").arg(sine, 0, 'f', 3).arg((n / 60) % 2 ? 1.5 : -1.5).toLatin1());
        ++n;
    });
    board.start(10);
    QTimer::singleShot(seconds * 1000, qApp, [&] {
        const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(png);
        std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(png));
        QCoreApplication::exit(saved ? 0 : 1);
    });
    return QApplication::exec();
}
} // namespace

int main(int argc, char *argv[])
{
    const bool showing = argc == 4 && qstrcmp(argv[1], "--show") == 0;
    if (!showing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (showing)
        return show(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3]));
    fullWindowRedraw();
    perLine();
    pacedStream();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS %.1f MiB\n", double(usage.ru_maxrss) / 1024);
    return 0;
}
