// SPDX-License-Identifier: GPL-3.0-or-later
// A key's echo round trip through a network port: the port as the terminal opens it (rfc2217:// or
// socket://, given), a board that echoes behind the server. Keys go 50 ms apart, faster than
// anyone types; keys closer than a frame are echoed in the next frame, as a stream is read in
// gulps. Prints the median and the worst of the round trips, from the key's write to its echo read.
//   bench_network_echo URL [keys]      (bench/network-side-by-side.sh starts the server and board)
#include "network/NetworkDevice.h"
#include "serial/MSComm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>

constexpr qint64 kKeyIntervalMs = 50;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_network_echo URL [keys]\n");
        return 2;
    }
    const QString url = arguments[1];
    const int keys = arguments.value(2, QStringLiteral("200")).toInt();
    MSComm comm([url](int, QString *error) -> std::unique_ptr<SerialDevice> {
        const auto address = NetworkAddress::parse(url, error);
        return address ? std::make_unique<NetworkDevice>(*address) : nullptr;
    });
    QEventLoop loop;
    QByteArray echoed;
    QString failure;
    QObject::connect(&comm, &MSComm::dataReceived, [&](const QByteArray &bytes) {
        echoed += bytes;
        loop.quit();
    });
    QObject::connect(&comm, &MSComm::connected, &loop, &QEventLoop::quit);
    for (auto signal : {&MSComm::connectFailed, &MSComm::lost})
        QObject::connect(&comm, signal, [&](const QString &why) {
            failure = why;
            loop.quit();
        });
    QTimer noAnswer;
    noAnswer.setSingleShot(true);
    QObject::connect(&noAnswer, &QTimer::timeout, [&] {
        failure = QStringLiteral("no answer within 10 s");
        loop.quit();
    });
    noAnswer.start(10000);
    if (Failure refused = comm.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(*refused));
        return 1;
    }
    loop.exec();
    std::vector<double> trips;
    QElapsedTimer clock;
    for (int i = 0; i < keys && failure.isEmpty(); ++i) {
        const char key = char('a' + i % 26);
        while (i > 0 && clock.elapsed() < kKeyIntervalMs) {
            QTimer::singleShot(kKeyIntervalMs - clock.elapsed(), &loop, &QEventLoop::quit);
            loop.exec();
        }
        echoed.clear();
        noAnswer.start(10000);
        clock.start();
        if (Failure refused = comm.Output(QByteArray(1, key)))
            failure = *refused;
        while (failure.isEmpty() && !echoed.contains(key))
            loop.exec();
        trips.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    std::sort(trips.begin(), trips.end());
    std::printf("%s: a key's echo round trip over %d keys: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms\n",
                qPrintable(url), keys, trips[trips.size() / 2], trips[trips.size() * 99 / 100], trips.back());
    return 0;
}
