// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppTitle.h"
#include "common/Version.h"
#include "serial/PortListing.h"
#include "settings/SettingsStore.h"
#include "simulator/DeviceFactory.h"
#include "terminal/Arguments.h"
#include "terminal/Icons.h"
#include "terminal/Terminations.h"
#include "terminal/WidgetDialogs.h"
#include "terminal/frmTerminal.h"

#include <QApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    const Arguments arguments = Arguments::read({argv + 1, argv + argc});
    switch (arguments.action) {
    case Arguments::Action::Help:
        return std::fputs(Arguments::usage(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    case Arguments::Action::Version:
        return std::printf("tavro-terminal %s\n", Version::kText) > 0 && std::fflush(stdout) == 0 ? 0 : 1;
    case Arguments::Action::List:
        return std::fputs(qPrintable(portListing(PortMap())), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    case Arguments::Action::Refuse:
        std::fprintf(stderr, "tavro-terminal: %s\n%s", arguments.refusal.c_str(), Arguments::usage());
        return Arguments::kRefused;
    case Arguments::Action::Window:
        break;
    }
    // A log under a file-size limit fails its write (and says so) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
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
    // A device on the command line stands behind the port start-up chose, for this run.
    int commandLinePort = 0;
    const MSComm::DeviceFactory mapped = makeDeviceFactory(ports, chip);
    const auto openDevice = [&](int port, QString *error) {
        if (port != commandLinePort)
            return mapped(port, error);
        PortMap withDevice = ports;
        withDevice.setDevice(port, QString::fromLocal8Bit(*arguments.device));
        return makeDeviceFactory(withDevice, chip)(port, error);
    };
    TerminalSession session({store, messages, files, openDevice, {}, bitbangOf});
    frmTerminal window(session, {[&ports, &bitbangOf](int port) {
                                     return ports.describe(port) + QLatin1Char('\n') + bitbangOf(port).summary();
                                 },
                                 messages});
    const Terminations terminations(window, messages, files);
    window.show();
    if (arguments.device) {
        commandLinePort = session.properties().port;
        session.togglePort();
    }
    return app.exec();
}
