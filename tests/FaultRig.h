#pragma once

#include "FakeDialogs.h"
#include "TestFiles.h"
#include "common/AppState.h"
#include "serial/DeviceFactory.h"
#include "serial/SimulatedBoard.h"
#include "settings/SettingsStore.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

// A socat pair at fixed link paths, standing for an adapter and its cable: unplugging ends
// socat, plugging in again starts a new pair under the same names.
class Cable
{
public:
    explicit Cable(const QString &folder)
        : m_host(folder + QStringLiteral("/host"))
        , m_board(folder + QStringLiteral("/board"))
    {
        plugIn();
    }
    ~Cable() { unplug(); }

    bool plugIn()
    {
        m_process.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + m_host,
                                                  QStringLiteral("pty,raw,echo=0,link=") + m_board});
        for (int i = 0; i < 100 && !ready(); ++i)
            QThread::msleep(20);
        return ready();
    }
    void unplug()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(2000);
    }
    bool ready() const { return QFileInfo::exists(m_host) && QFileInfo::exists(m_board); }
    QString hostPath() const { return m_host; }
    QString boardPath() const { return m_board; }

private:
    QString m_host;
    QString m_board;
    QProcess m_process;
};

// The main window as the program builds it: ports through the per-user port map (Com2 is the
// cable's host end), except Com16, the simulated board, which the rig keeps a handle on.
struct FaultRig
{
    QTemporaryDir dir;
    Cable cable{dir.path()};
    MemorySettingsStore store;
    FakeMessageBox messages;
    FakeFileDialog files;
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    QPointer<SimulatedBoard> board;
    std::unique_ptr<frmTerminal> window;

    FaultRig()
    {
        // No pacing unless a test asks for it.
        set(QStringLiteral("TextEOLCheck"), QStringLiteral("0"));
        set(QStringLiteral("LineDelayCheck"), QStringLiteral("0"));
    }

    void set(const QString &key, const QString &value)
    {
        store.WriteSetting(kAppTitle, QStringLiteral("Properties"), key, value);
    }

    frmTerminal &start(int port)
    {
        const QString map = dir.filePath(QStringLiteral("ports.ini"));
        QFile ini(map);
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Ports]\nCom2=" + cable.hostPath().toUtf8() + "\n");
        ini.close();
        set(QStringLiteral("CommPort"), QString::number(port));
        MSComm::DeviceFactory real = makeDeviceFactory(PortMap(map), chip);
        window = std::make_unique<frmTerminal>(
            frmTerminal::Services{store, messages, files,
                                  [this, real](int n, QString *error) -> std::unique_ptr<SerialDevice> {
                                      if (n != 16)
                                          return real(n, error);
                                      auto simulated = std::make_unique<SimulatedBoard>(chip);
                                      board = simulated.get();
                                      return simulated;
                                  },
                                  [](int n) { return QStringLiteral("Com%1").arg(n); }});
        return *window;
    }

    // The far end of the cable, as the board's firmware sees it.
    std::unique_ptr<QSerialPort> openBoardEnd() const
    {
        auto port = std::make_unique<QSerialPort>(cable.boardPath());
        if (!port->open(QIODevice::ReadWrite))
            return nullptr;
        return port;
    }

    ClickableLabel *indicator(const QString &hint) const
    {
        for (ClickableLabel *label : window->findChildren<ClickableLabel *>())
            if (label->toolTip() == hint)
                return label;
        return nullptr;
    }

    // What the window shows for a closed port, menus and toolbar included.
    bool showsClosedPort() const
    {
        frmTerminal &w = *window;
        return !w.comm().PortOpen() && !indicator(QStringLiteral("Connect"))->isHidden()
               && indicator(QStringLiteral("Disconnect"))->isHidden()
               && !w.menuItem(QStringLiteral("mnuOpen"))->isChecked()
               && !w.toolButton(QStringLiteral("Prog"))->isEnabled()
               && !w.menuItem(QStringLiteral("mnuSendText"))->isEnabled()
               && !w.toolButton(QStringLiteral("TransmitTextFile"))->isEnabled()
               && (w.LastTextFile.isEmpty() || !w.toolButton(QStringLiteral("ResendTextFile"))->isEnabled())
               && w.statusText() == QStringLiteral("Settings: ");
    }

    QStringList shownTexts() const
    {
        QStringList texts;
        for (const auto &m : messages.shown)
            texts << m.text;
        return texts;
    }
};

inline QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
