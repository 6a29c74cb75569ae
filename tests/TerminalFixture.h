// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeDialogs.h"
#include "common/AppTitle.h"
#include "serial/QtSerialDevice.h"
#include "settings/SettingsStore.h"
#include "settings/StoredProperties.h"
#include "simulator/SimulatedBoard.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QAction>
#include <QMap>
#include <QPointer>
#include <memory>

// The main window, or the session alone, over an in-memory store and scripted dialogs. Ports map to device paths the
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
    ReceiveViews::Clock clock = &QDateTime::currentMSecsSinceEpoch;
    std::unique_ptr<frmTerminal> window;
    std::unique_ptr<TerminalSession> bare;
    QString status; // the session's status bar

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

    TerminalSession::Services services()
    {
        return {*storage,
                messages,
                files,
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
                waits,
                {},
                clock};
    }

    // The window, started from the store.
    frmTerminal &start(int port = 0)
    {
        restart(port);
        window = std::make_unique<frmTerminal>(
            frmTerminal::Services{services(), [](int port) { return QStringLiteral("device %1").arg(port); }});
        return *window;
    }

    // The session alone, started from the store as the window starts it.
    TerminalSession &startSession(int port = 0)
    {
        restart(port);
        bare = std::make_unique<TerminalSession>(services());
        QObject::connect(bare.get(), &TerminalSession::statusChanged, [this](const QString &text) { status = text; });
        bare->load(StoredProperties::read(*storage, TerminalSession::kStoredKeys));
        return *bare;
    }
    TerminalSession &openSession(int port)
    {
        TerminalSession &s = startSession(port);
        s.mnuOpen_Click();
        return s;
    }

    // Started on the port and the port opened, as the user would.
    frmTerminal &open(int port)
    {
        frmTerminal &w = start(port);
        w.mnuOpen_Click();
        return w;
    }

    void restart(int port)
    {
        if (port)
            set(QStringLiteral("CommPort"), QString::number(port));
        window.reset();
        bare.reset();
        chip->setTimeScale(waits.chipScale);
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
