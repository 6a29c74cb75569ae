// SPDX-License-Identifier: GPL-3.0-or-later
// Receive path throughput: 4 KiB chunks, as a pty delivers them, through the port and ShowData
// into the bounded view, headless. Prints bytes per second and the peak resident memory.
#include "ChunkDevice.h"
#include "FakeDialogs.h"
#include "settings/SettingsStore.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MemorySettingsStore store;
    FakeMessageBox messages;
    FakeFileDialog files;
    ChunkDevice *device = nullptr;
    TerminalSession session({store, messages, files, [&device](int, QString *) {
                                 auto made = std::make_unique<ChunkDevice>();
                                 device = made.get();
                                 return made;
                             }});
    const frmTerminal window(session, {{}, messages});
    session.togglePort();

    QByteArray chunk;
    for (int i = 0; chunk.size() < 4096; ++i)
        chunk += "line " + QByteArray::number(i) + " of the board's endless report\r\n";
    chunk.truncate(4096);

    constexpr qint64 kTotal = 64 * 1024 * 1024;
    QElapsedTimer clock;
    clock.start();
    for (qint64 sent = 0; sent < kTotal; sent += chunk.size()) {
        device->deliver(chunk);
        QCoreApplication::processEvents();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("receive path: %.1f MB/s (%.0f bytes/s; 921600 baud needs 92160), peak RSS %.1f MiB\n",
                kTotal / seconds / 1e6, kTotal / seconds, usage.ru_maxrss / 1024.0);
    return 0;
}
