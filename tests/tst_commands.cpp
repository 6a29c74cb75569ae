#include "TerminalFixture.h"
#include "TestFiles.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/CommandStates.h"

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

} // namespace

// Which commands the window offers, by one rule over the facts, and the captions and lists it shows.
class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void ruleOverEveryCombinationOfFacts()
    {
        for (int bits = 0; bits < 64; ++bits) {
            const CommandFacts f{bool(bits & 1), bool(bits & 2),  bool(bits & 4),
                                 bool(bits & 8), bool(bits & 16), bool(bits & 32)};
            const CommandStates s = commandStates(f);
            const QByteArray row = QByteArray::number(bits, 2);
            // Programming mode: the three menus, every toolbar button and the green indicator are off.
            QVERIFY2(s.menus == !f.progMode && s.imgConnectedEnabled == !f.progMode, row);
            const bool buttons = !f.progMode;
            // A transfer keeps its own commands off until it ends; they need an open port; re-send needs a file.
            const bool transmit = f.portOpen && !f.transferRunning;
            QVERIFY2(s.mnuSendText == transmit && s.TransmitTextFile == (buttons && transmit), row);
            QVERIFY2(s.mnuResendTextFile == (transmit && f.lastTextFile)
                         && s.ResendTextFile == (buttons && transmit && f.lastTextFile),
                     row);
            // The log pairs switch in opposite directions.
            QVERIFY2(s.mnuOpenLog == !f.logOpen && s.mnuCloseLog == f.logOpen, row);
            QVERIFY2(s.OpenLogFile == (buttons && !f.logOpen) && s.CloseLogFile == (buttons && f.logOpen), row);
            QVERIFY2(s.Properties == buttons && s.ResetCPU == buttons && s.Prog == (buttons && f.portOpen), row);
            QVERIFY2(s.mnuOpenChecked == f.portOpen && s.imgConnectedShown == f.portOpen, row);
            QVERIFY2(s.downloadControls == f.downloadRunning, row);
        }
    }

    void windowFollowsTheRuleWhateverChangedAFact()
    {
        TerminalFixture f;
        QTemporaryDir dir;
        frmTerminal &w = f.start(16);
        auto facts = [&](bool prog = false) {
            return CommandFacts{w.comm().PortOpen(), w.menuItem("mnuCloseLog")->isEnabled(), !w.LastTextFile.isEmpty(),
                                prog};
        };
        QCOMPARE(shown(w), commandStates({})); // start-up: the port closed, no log, nothing running
        w.mnuOpen_Click();
        QCOMPARE(shown(w), commandStates({true}));
        // Programming mode and X, with no log: the close pair stays off; then with a log: the open pair stays off.
        for (bool log : {false, true}) {
            if (log) {
                f.files.choices.push_back(dir.filePath("session.log"));
                w.mnuOpenLog_Click();
            }
            CommandStates during;
            QTimer::singleShot(0, [&] {
                during = shown(w);
                quint16 x = 'x';
                w.txtTerm_KeyPress(x);
            });
            w.mmuProg_Click();
            QCOMPARE(during, commandStates({true, log, false, true}));
            QCOMPARE(shown(w), commandStates({true, log}));
        }
        QCOMPARE(w.windowTitle(), "Tavro Terminal - session.log");
        w.mnuCloseLog_Click();
        QCOMPARE(w.windowTitle(), QStringLiteral("Terminal"));
        w.LastTextFile = writeFile(dir, "a.txt", "x\r");
        w.mnuOpen_Click();
        w.mnuOpen_Click();
        QCOMPARE(shown(w), commandStates(facts()));
        QVERIFY(w.toolButton("ResendTextFile")->isEnabled());
    }

    void transferCommandsStayOffUntilTheTransferEnds()
    {
        TerminalFixture f;
        f.set("LineDelayCheck", "1");
        f.set("LineDelayValue", "100");
        QTemporaryDir dir;
        frmTerminal &w = f.open(16);
        w.LastTextFile = writeFile(dir, "lines.txt", QByteArray("line\r").repeated(50));
        bool offAfterSpeedChange = false;
        QTimer::singleShot(150, [&] {
            w.propertiesDialog().cboSpeed->setCurrentText("57600"); // Properties OK during the transfer
            QVERIFY(w.propertiesDialog().cmdOK_Click());
            offAfterSpeedChange =
                !w.toolButton("TransmitTextFile")->isEnabled() && !w.menuItem("mnuResendTextFile")->isEnabled();
            w.mnuOpen_Click(); // the port closed under it: the transfer ends, once
        });
        w.mmuResendTextFile();
        QVERIFY(offAfterSpeedChange);
        QVERIFY(!heldOpen(w.LastTextFile));
        QCOMPARE(f.shownTexts(), QStringList{"The port was closed: the transfer of " + w.LastTextFile + " ended"});
        QCOMPARE(shown(w), commandStates({false, false, true}));
        QCOMPARE(w.statusText(), QStringLiteral("Settings: 57600,n,8,1"));
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
