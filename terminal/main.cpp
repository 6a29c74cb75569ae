#include "common/AppTitle.h"
#include "settings/SettingsStore.h"
#include "simulator/DeviceFactory.h"
#include "terminal/Icons.h"
#include "terminal/WidgetDialogs.h"
#include "terminal/frmTerminal.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
    frmTerminal window(
        {store, messages, files, makeDeviceFactory(ports, chip), [&ports](int port) { return ports.describe(port); }});
    window.show();
    return app.exec();
}
