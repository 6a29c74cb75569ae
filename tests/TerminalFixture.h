#pragma once

#include "FakeDialogs.h"
#include "common/AppTitle.h"
#include "serial/QtSerialDevice.h"
#include "settings/SettingsStore.h"
#include "simulator/SimulatedBoard.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QAction>
#include <QMap>
#include <QPointer>
#include <memory>

// The main window over an in-memory store and scripted dialogs. Ports map to device paths the
// test gives (pseudo-terminals); Com16 is the simulated board, or whatever `board` makes.
struct TerminalFixture
{
    MemorySettingsStore store;
    SettingsStore *storage = &store; // what the window starts from and stores to
    FakeMessageBox messages;
    FakeFileDialog files;
    QMap<int, QString> devices;
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SerialDevice>()> board;
    QPointer<SerialDevice> onCom16; // the device behind Com16 while it is open
    Waits waits;
    std::unique_ptr<frmTerminal> window;

    TerminalFixture()
    {
        // No pacing unless a test asks for it.
        set(QStringLiteral("TextEOLCheck"), QStringLiteral("0"));
        set(QStringLiteral("LineDelayCheck"), QStringLiteral("0"));
    }

    void set(const QString &key, const QString &value)
    {
        store.WriteSetting(kAppTitle, QStringLiteral("Properties"), key, value);
    }
    QString get(const QString &key) const
    {
        return store.ReadSetting(kAppTitle, QStringLiteral("Properties"), key, QStringLiteral("<none>"));
    }

    frmTerminal &start(int port = 0)
    {
        if (port)
            set(QStringLiteral("CommPort"), QString::number(port));
        window.reset();
        chip->setTimeScale(waits.chipScale);
        window = std::make_unique<frmTerminal>(
            frmTerminal::Services{{*storage, messages, files,
                                   [this](int port, QString *error) -> std::unique_ptr<SerialDevice> {
                                       if (port == 16) {
                                           auto device = board ? board() : std::make_unique<SimulatedBoard>(chip);
                                           onCom16 = device.get();
                                           return device;
                                       }
                                       if (!devices.contains(port)) {
                                           *error = QStringLiteral("Com%1 names no device").arg(port);
                                           return nullptr;
                                       }
                                       return std::make_unique<QtSerialDevice>(devices[port]);
                                   },
                                   waits},
                                  [](int port) { return QStringLiteral("device %1").arg(port); }});
        return *window;
    }

    // Started on the port and the port opened, as the user would.
    frmTerminal &open(int port)
    {
        frmTerminal &w = start(port);
        w.mnuOpen_Click();
        return w;
    }

    SimulatedBoard *simulatedBoard() const { return qobject_cast<SimulatedBoard *>(onCom16.data()); }

    QStringList shownTexts() const
    {
        QStringList texts;
        for (const auto &m : messages.shown)
            texts << m.text;
        return texts;
    }

    // The view's text on the screen, in the text's own characters.
    QString screen() const
    {
        window->drawNow();
        return TerminalView::unrendered(window->view()->document()->toRawText());
    }
};
