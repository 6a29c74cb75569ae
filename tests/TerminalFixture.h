#pragma once

#include "FakeDialogs.h"
#include "common/AppState.h"
#include "serial/QtSerialDevice.h"
#include "serial/SimulatedBoard.h"
#include "settings/SettingsStore.h"
#include "terminal/frmTerminal.h"

#include <QMap>
#include <memory>

// A main window over an in-memory store and scripted dialogs. Ports map to device paths given
// by the test; Com16 is the simulated board.
struct TerminalFixture
{
    MemorySettingsStore store;
    FakeMessageBox messages;
    FakeFileDialog files;
    QMap<int, QString> devices;
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SerialDevice>()> board; // replaces the simulated board on Com16
    Waits waits;                                          // the chip's needs follow its scale
    std::unique_ptr<frmTerminal> window;

    void set(const QString &key, const QString &value)
    {
        store.WriteSetting(kAppTitle, QStringLiteral("Properties"), key, value);
    }
    QString get(const QString &key) const
    {
        return store.ReadSetting(kAppTitle, QStringLiteral("Properties"), key, QStringLiteral("<none>"));
    }

    frmTerminal &start()
    {
        chip->setTimeScale(waits.chipScale);
        window = std::make_unique<frmTerminal>(
            frmTerminal::Services{store, messages, files,
                                  [this](int port, QString *error) -> std::unique_ptr<SerialDevice> {
                                      if (port == 16)
                                          return board ? board() : std::make_unique<SimulatedBoard>(chip);
                                      if (!devices.contains(port)) {
                                          *error = QStringLiteral("Com%1 names no device").arg(port);
                                          return nullptr;
                                      }
                                      return std::make_unique<QtSerialDevice>(devices[port]);
                                  },
                                  [](int port) { return QStringLiteral("device %1").arg(port); }, waits});
        return *window;
    }
};
