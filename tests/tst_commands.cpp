// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "TestFiles.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

namespace {

// What the window shows, read back from its widgets.
CommandStates shown(frmTerminal &w)
{
    CommandStates s;
    s.menus = w.menuBar()->actions().at(0)->isEnabled();
    s.mnuSendText = w.menuItem("mnuSendText")->isEnabled();
    s.mnuResendTextFile = w.menuItem("mnuResendTextFile")->isEnabled();
    s.mnuOpenLog = w.menuItem("mnuOpenLog")->isEnabled();
    s.mnuCloseLog = w.menuItem("mnuCloseLog")->isEnabled();
    s.mnuOpenChecked = w.menuItem("mnuOpen")->isChecked();
    s.mnuSavePlot = w.menuItem("mnuSavePlot")->isEnabled();
    bool *buttons[] = {&s.OpenLogFile,    &s.CloseLogFile, &s.Properties, &s.TransmitTextFile,
                       &s.ResendTextFile, &s.ResetCPU,     &s.Prog};
    const char *keys[] = {"OpenLogFile",    "CloseLogFile", "Properties", "TransmitTextFile",
                          "ResendTextFile", "ResetCPU",     "Prog"};
    for (int i = 0; i < 7; ++i)
        *buttons[i] = w.toolButton(keys[i])->isEnabled();
    for (auto *indicator : w.findChildren<ClickableLabel *>())
        if (indicator->toolTip() == "Disconnect") {
            s.imgConnectedShown = !indicator->isHidden();
            s.imgConnectedEnabled = indicator->isEnabled();
        }
    s.downloadControls = false;
    return s;
}

// One letter per state, '.' when off; the legend is at the table of situations.
QString letters(const CommandStates &s)
{
    const bool on[] = {
        s.menus,       s.mnuSendText, s.mnuResendTextFile, s.mnuOpenLog,          s.mnuCloseLog,      s.mnuOpenChecked,
        s.mnuSavePlot, s.OpenLogFile, s.CloseLogFile,      s.Properties,          s.TransmitTextFile, s.ResendTextFile,
        s.ResetCPU,    s.Prog,        s.imgConnectedShown, s.imgConnectedEnabled, s.downloadControls};
    QString text = QStringLiteral("M TROCKP ocptrxg Ge D");
    int i = 0;
    for (QChar &c : text)
        if (c != ' ' && !on[i++])
            c = '.';
    return text;
}

// A board whose adapter goes no faster than 115200 baud.
struct PickyBoard : SimulatedBoard
{
    using SimulatedBoard::SimulatedBoard;
    Failure apply(const LineFormat &f) override
    {
        return f.baudRate > 115200 ? Failure("no faster than 115200") : SimulatedBoard::apply(f);
    }
};

// Whether a running process has the device behind a path open, as /proc tells.
bool holdsOpen(qint64 pid, const QString &path)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == device)
            return true;
    return false;
}

} // namespace

// Which commands the window offers in each situation, and the captions and lists it shows.
class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void commandsEachSituationOffers()
    {
        // What a user must see, one letter per state, '.' when off:
        //   M        the menus "&File", "&CommPort" and "&About"
        //   TROCKP   items "&Transmit Text File...", "&Re-transmit Text File", "&Open Log File",
        //            "C&lose Log File", "Port &Open" checked, and "Save &Plot..."
        //   ocptrxg  buttons OpenLogFile, CloseLogFile, Properties, TransmitTextFile, ResendTextFile, ResetCPU, Prog
        //   Ge       the green indicator shown, and enabled
        //   D        "Cancel Send" and the progress bar
        const QList<std::tuple<const char *, CommandFacts, QString>> cases = {
            {"start-up, port closed", {}, "M ..O... o.p..x. .e ."},
            {"a last text file, port closed", {.lastTextFile = true}, "M ..O... o.p..x. .e ."},
            {"port open", {.portOpen = true}, "M T.O.K. o.pt.xg Ge ."},
            {"port open, a last text file", {.portOpen = true, .lastTextFile = true}, "M TRO.K. o.ptrxg Ge ."},
            {"port open, a log", {.portOpen = true, .logOpen = true}, "M T..CK. .cpt.xg Ge ."},
            {"port closed, a log", {.logOpen = true}, "M ...C.. .cp..x. .e ."},
            {"transfer running",
             {.portOpen = true, .lastTextFile = true, .transferRunning = true},
             "M ..O.K. o.p..x. Ge ."},
            {"log opened during a transfer",
             {.portOpen = true, .logOpen = true, .lastTextFile = true, .transferRunning = true},
             "M ...CK. .cp..x. Ge ."},
            {"port closed under a transfer", {.lastTextFile = true, .transferRunning = true}, "M ..O... o.p..x. .e ."},
            {"programming mode", {.portOpen = true, .progMode = true}, ". T.O.K. ....... G. ."},
            {"programming mode, a log and a last text file",
             {.portOpen = true, .logOpen = true, .lastTextFile = true, .progMode = true},
             ". TR.CK. ....... G. ."},
            {"HEX download", {.portOpen = true, .progMode = true, .downloadRunning = true}, ". T.O.K. ....... G. D"},
            {"port lost in programming mode", {.progMode = true}, ". ..O... ....... .. ."},
            {"the port waits for its device",
             {.lastTextFile = true, .waitingForDevice = true},
             "M ..O.K. o.p..x. .e ."},
            {"programming mode entered during a transfer",
             {.portOpen = true, .lastTextFile = true, .progMode = true, .transferRunning = true},
             ". ..O.K. ....... G. ."},
            {"the plot on", {.plotOn = true}, "M ..O..P o.p..x. .e ."},
            {"the plot on in programming mode",
             {.portOpen = true, .progMode = true, .plotOn = true},
             ". T.O.KP ....... G. ."},
        };
        for (const auto &[situation, facts, expected] : cases) {
            const QString got = letters(commandStates(facts));
            QVERIFY2(got == expected, qPrintable(QString("%1: %2").arg(situation, got)));
        }
    }

    void windowFollowsTheRuleWhateverChangedAFact()
    {
        TerminalFixture f;
        QTemporaryDir dir;
        frmTerminal &w = f.start(16);
        QCOMPARE(shown(w), commandStates({})); // start-up: the port closed, no log, nothing running
        w.menuItem("mnuOpen")->trigger();
        QCOMPARE(shown(w), commandStates({true}));
        // Programming mode and X, with no log: the close pair stays off; then with a log: the open pair stays off.
        for (bool log : {false, true}) {
            if (log) {
                f.files.choices.push_back(dir.filePath("session.log"));
                w.menuItem("mnuOpenLog")->trigger();
            }
            CommandStates during;
            QTimer::singleShot(0, [&] {
                during = shown(w);
                f.session->typeKey('x');
            });
            w.mmuProg_Click();
            QCOMPARE(during, commandStates({true, log, false, true}));
            QCOMPARE(shown(w), commandStates({true, log}));
        }
        w.menuItem("mnuCloseLog")->trigger();
        QCOMPARE(shown(w), commandStates({true}));
        w.menuItem("mnuPlot")->trigger();
        QCOMPARE(shown(w), commandStates({.portOpen = true, .plotOn = true}));
    }

    void transferCommandsStayOffUntilTheTransferEnds()
    {
        TerminalFixture f;
        f.set("LineDelayCheck", "1");
        f.set("LineDelayValue", "100");
        QTemporaryDir dir;
        f.set("LastTextFile", writeFile(dir, "lines.txt", QByteArray("line\r").repeated(50)));
        frmTerminal &w = f.open(16);
        auto *speed = w.findChild<QComboBox *>("cboSpeed");
        bool offAfterSpeedChange = false;
        QTimer::singleShot(150, [&] {
            w.propertiesDialog().cboSpeed->setCurrentText("57600"); // Properties OK during the transfer
            QVERIFY(w.propertiesDialog().cmdOK_Click());
            emit speed->activated(13); // 115200 from the toolbar's list, then back
            emit speed->activated(12);
            // The stop prompt stays, and programming mode cannot reset the chip under the transfer.
            offAfterSpeedChange = !w.toolButton("TransmitTextFile")->isEnabled()
                                  && !w.menuItem("mnuResendTextFile")->isEnabled() && !w.toolButton("Prog")->isEnabled()
                                  && w.statusText() == TextSender::kStopPrompt;
            w.menuItem("mnuOpen")->trigger(); // the port closed under it: the transfer ends, once
        });
        w.mmuResendTextFile();
        QVERIFY(offAfterSpeedChange);
        QVERIFY(!heldOpen(f.session->lastTextFile()));
        QCOMPARE(f.shownTexts(),
                 QStringList{"The port was closed: the transfer of " + f.session->lastTextFile() + " ended"});
        QCOMPARE(shown(w), commandStates({false, false, true}));
        QCOMPARE(w.statusText(), QStringLiteral("Settings: "));
        QCOMPARE(f.get("Settings"), QStringLiteral("57600,n,8,1"));
    }

    void toolbarPicksApplyOrPutTheListBack()
    {
        TerminalFixture f;
        f.board = [&f] { return std::make_unique<PickyBoard>(f.chip); };
        frmTerminal &w = f.open(16);
        auto *speed = w.findChild<QComboBox *>("cboSpeed");
        emit speed->activated(13);
        QCOMPARE(f.session->portSettings(), QStringLiteral("115200,n,8,1"));
        QCOMPARE(f.get("Settings"), QStringLiteral("115200,n,8,1"));
        QCOMPARE(w.statusText(), QStringLiteral("Settings: 115200,n,8,1"));
        QCOMPARE(speed->currentText(), QStringLiteral("115200"));
        emit speed->activated(14); // refused: nothing changes, nothing is stored, the list goes back
        QCOMPARE(f.shownTexts(), QStringList{"no faster than 115200"});
        QCOMPARE(speed->currentText(), QStringLiteral("115200"));
        QCOMPARE(f.get("Settings"), QStringLiteral("115200,n,8,1"));
        emit w.findChild<QComboBox *>("cboPort")->activated(4); // Com5 names no device
        QCOMPARE(f.shownTexts().size(), 2);
        QCOMPARE(w.findChild<QComboBox *>("cboPort")->currentText(), QStringLiteral("Com16"));
    }

    void captionsHintsAndSeparators()
    {
        TerminalFixture f;
        frmTerminal &w = f.start();
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Tavro Terminal")); // the name, not appended
        QCOMPARE(w.propertiesDialog().windowTitle(), QStringLiteral("CommPort Properties"));
        QAction *reset = w.toolButton("ResetCPU");
        QCOMPARE(reset->toolTip(), QString()); // no hint, not its description
        QCOMPARE(reset->whatsThis(), QStringLiteral("Reset"));
        QCOMPARE(w.toolButton("OpenLogFile")->toolTip(), QStringLiteral("Open Log File..."));
        auto *file = w.findChild<QMenu *>("mnuFile");
        QVERIFY(file->actions().first()->isSeparator() && !file->separatorsCollapsible()); // M3 opens "&File"
    }

    void commandLineRefusesOrOpensTheDeviceGiven()
    {
        // Refusals come before any window, with the usage; a device path opens the window on it.
        QTemporaryDir home;
        QProcess terminal;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        terminal.setProcessEnvironment(environment);
        for (const QStringList &arguments : {QStringList{"--bogus"}, QStringList{"/dev/ttyS0", "/dev/ttyS1"}}) {
            terminal.start(TAVRO_TERMINAL, arguments);
            QVERIFY(terminal.waitForFinished(10000));
            const QString err = terminal.readAllStandardError();
            QVERIFY2(terminal.exitCode() == 2 && err.startsWith("tavro-terminal: ") && err.contains("\nUsage: "),
                     qPrintable(err));
        }
        PtyPair pty;
        if (!pty.usable())
            return;
        terminal.start(TAVRO_TERMINAL, {pty.host()});
        // Watched without opening it: a trial open here could make the window's own open find it busy.
        QTRY_VERIFY_WITH_TIMEOUT(holdsOpen(terminal.processId(), pty.host()), 20000);
        QCOMPARE(TtyDevice(pty.host()).open({}), Failure(pty.host() + ": busy, another program has it open"));
        terminal.terminate();
        QVERIFY(terminal.waitForFinished(10000) && terminal.exitCode() == 0);
    }

    void startUpListsShowWhatIsStored()
    {
        // Stored port and settings (empty: none), and what the toolbar's lists then show; a refused
        // port number shows the port in use.
        const QList<std::array<QString, 4>> cases = {
            {"", "", "Com", ""}, {"x", "", "Comx", ""}, {"17", "", "Com1", ""}, {"3", "31250,n,8,1", "Com3", "31250"}};
        for (const auto &[port, settings, portList, speedList] : cases) {
            TerminalFixture f;
            if (!port.isEmpty())
                f.set("CommPort", port);
            if (!settings.isEmpty())
                f.set("Settings", settings);
            frmTerminal &w = f.start();
            QCOMPARE(w.findChild<QComboBox *>("cboPort")->currentText(), portList);
            QCOMPARE(w.findChild<QComboBox *>("cboSpeed")->currentText(), speedList);
            QCOMPARE(w.findChild<QComboBox *>("cboPort")->count(), 16);
        }
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
