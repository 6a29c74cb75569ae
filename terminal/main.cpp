// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppTitle.h"
#include "common/Version.h"
#include "settings/SettingsStore.h"
#include "simulator/DeviceFactory.h"
#include "terminal/Icons.h"
#include "terminal/Terminations.h"
#include "terminal/WidgetDialogs.h"
#include "terminal/frmTerminal.h"

#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

const char kHelp[] = "Usage: tavro-terminal [options]\n"
                     "Tavro Terminal, a serial-port terminal with an in-circuit chip programmer. Everything\n"
                     "else is set in CommPort > Properties and kept for the next start; tavro-prog programs\n"
                     "the chip from a script.\n"
                     "\n"
                     "Options:\n"
                     "  -h, --help     show this help and exit\n"
                     "  -v, --version  show the version and exit\n";

// Answered before the application exists, so that they need no display.
std::optional<std::string> immediateAnswer(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return kHelp;
        if (argument == "--version" || argument == "-v")
            return std::string("tavro-terminal ") + Version::kText + '\n';
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<std::string> answer = immediateAnswer(argc, argv))
        return std::fputs(answer->c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setWindowIcon(Icons::make(Icons::Kind::Application));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavro-terminal"));
    QSettingsStore store;
    WidgetMessageBox messages(nullptr);
    WidgetFileDialog files(nullptr);
    PortMap ports;
    for (const QString &warning : ports.warnings())
        store.warn(warning); // shown with the settings' own at start-up
    auto chip = std::make_shared<SimulatedChip>();
    const auto bitbangOf = makeBitbangFactory(ports);
    TerminalSession session({store, messages, files, makeDeviceFactory(ports, chip), {}, bitbangOf});
    frmTerminal window(session, {[&ports, &bitbangOf](int port) {
                                     return ports.describe(port) + QLatin1Char('\n') + bitbangOf(port).summary();
                                 },
                                 messages});
    const Terminations terminations(window, messages, files);
    window.show();
    return app.exec();
}
