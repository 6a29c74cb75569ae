// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeDialogs.h"
#include "common/AppTitle.h"
#include "network/NetworkDevice.h"
#include "serial/TtyDevice.h"
#include "settings/SettingsStore.h"
#include "settings/StoredProperties.h"
#include "simulator/SimulatedBoard.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QAction>
#include <QMap>
#include <QPointer>
#include <memory>

// The session over an in-memory store and scripted dialogs, with or without the window. Ports map
// to device paths the test gives (pseudo-terminals) or network URLs; Com16 is the simulated board, or whatever
// `board` makes.
struct TerminalFixture
{
    MemorySettingsStore store;
    SettingsStore *storage = &store; // what the session starts from and stores to
    FakeMessageBox messages;
    FakeFileDialog files;
    MessageBox *messageBox = &messages; // what the session and the window show their messages in
    QMap<int, QString> devices;
    DeviceIdentity::Places places; // where the tty devices find stable links and USB facts
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SerialDevice>()> board;
    QPointer<SerialDevice> onCom16; // the device behind Com16 while it is open
    Waits waits;
    ReceiveViews::Clock clock = &QDateTime::currentMSecsSinceEpoch;
    std::unique_ptr<frmTerminal> window;
    std::unique_ptr<TerminalSession> session;
    QString status; // the session's status bar

    TerminalFixture()
    {
        // No pacing unless a test asks for it.
        set(QStringLiteral("TextEOLCheck"), QStringLiteral("0"));
        set(QStringLiteral("LineDelayCheck"), QStringLiteral("0"));
    }
    ~TerminalFixture() { restart(0); }

    void set(const QString &key, const QString &value)
    {
        std::ignore = store.WriteSetting(kAppTitle, QStringLiteral("Properties"), key, value);
    }
    QString get(const QString &key) const
    {
        return store.ReadSetting(kAppTitle, QStringLiteral("Properties"), key, QStringLiteral("<none>"));
    }

    TerminalSession::Services services()
    {
        return {*storage,
                *messageBox,
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
                    if (NetworkAddress::isUrl(devices[port])) {
                        const auto address = NetworkAddress::parse(devices[port], error);
                        return address ? std::make_unique<NetworkDevice>(*address) : nullptr;
                    }
                    return std::make_unique<TtyDevice>(devices[port], QString(), places);
                },
                waits,
                {},
                clock};
    }

    // The session and its window, started from the store.
    frmTerminal &start(int port = 0)
    {
        restart(port);
        session = std::make_unique<TerminalSession>(services());
        watchStatus();
        window = std::make_unique<frmTerminal>(
            *session,
            frmTerminal::Services{[](int port) { return QStringLiteral("device %1").arg(port); }, *messageBox});
        return *window;
    }
    // Started on the port and the port opened, as the user would.
    frmTerminal &open(int port)
    {
        frmTerminal &w = start(port);
        w.menuItem(QStringLiteral("mnuOpen"))->trigger();
        return w;
    }

    // The session alone, started from the store as the window starts it.
    TerminalSession &startSession(int port = 0)
    {
        restart(port);
        session = std::make_unique<TerminalSession>(services());
        watchStatus();
        session->start();
        return *session;
    }
    TerminalSession &openSession(int port)
    {
        TerminalSession &s = startSession(port);
        s.togglePort();
        return s;
    }

    void restart(int port)
    {
        if (port)
            set(QStringLiteral("CommPort"), QString::number(port));
        window.reset();
        session.reset();
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

private:
    void watchStatus()
    {
        QObject::connect(session.get(), &TerminalSession::statusChanged,
                         [this](const QString &text) { status = text; });
    }
};
