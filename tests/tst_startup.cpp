#include "TerminalFixture.h"
#include "settings/frmProperties.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QScreen>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void emptyStoreGivesDefaults();
    void refusedSettingsEndStartUpWithOneMessage();
    void unreadableValuesAreSkipped();
    void storedValuesAreRestored();
    void closingSavesSizeAndLastFile();
    void storedSizeStaysWithinTheScreen_data();
    void storedSizeStaysWithinTheScreen();
    void storedEchoSurvivesPropertiesOk();
};

void TestStartup::emptyStoreGivesDefaults()
{
    TerminalFixture f;
    frmTerminal &w = f.start();
    QCOMPARE(w.comm().CommPort(), 1);
    QCOMPARE(w.comm().Settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(w.comm().Handshaking(), 0);
    QVERIFY(!w.comm().PortOpen());
    QCOMPARE(w.windowTitle(), QStringLiteral("Terminal"));
    QCOMPARE(w.statusText(), QStringLiteral("Settings:"));
    QVERIFY(!w.app().LocalEcho);
    QVERIFY(f.messages.shown.isEmpty());

    frmProperties &d = w.propertiesDialog();
    QVERIFY(d.chkWaitFor->isChecked());
    QCOMPARE(d.txtEOLChar->text(), QStringLiteral("6"));
    QVERIFY(d.chkLineDelay->isChecked());
    QCOMPARE(d.txtLineDelay->text(), QStringLiteral("50"));
    QVERIFY(!d.chkStart->isChecked());
    QCOMPARE(d.txtStartWord->text(), QStringLiteral("LOADB"));
    QCOMPARE(d.txtStartFileType->text(), QStringLiteral("*.DLX"));
    QCOMPARE(d.txtStartDelay->text(), QStringLiteral("1000"));
    QVERIFY(!d.chkRTS->isChecked());

    const QStringList enabled{"OpenLogFile", "Properties", "ResetCPU"};
    for (const QString key :
         {"OpenLogFile", "CloseLogFile", "Properties", "TransmitTextFile", "ResendTextFile", "ResetCPU", "Prog"})
        QCOMPARE(w.toolButton(key)->isEnabled(), enabled.contains(key));
    QVERIFY(!w.menuItem("mnuSendText")->isEnabled());
    QVERIFY(!w.menuItem("mnuResendTextFile")->isEnabled());
    QVERIFY(!w.menuItem("mnuOpen")->isChecked());

    // First run: the design size, not half the screen left over.
    QCOMPARE(w.width(), frmTerminal::kDesignClientWidth / 15);
}

void TestStartup::refusedSettingsEndStartUpWithOneMessage()
{
    TerminalFixture f;
    f.set("Settings", "9600,x,8,1");
    f.set("Handshaking", "2");
    f.set("LastTextFile", "/tmp/a.dlx");
    f.set("Echo", "True");
    frmTerminal &w = f.start();
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(f.messages.shown[0].text.contains("9600,x,8,1"));
    QCOMPARE(f.messages.shown[0].icon, MessageBox::Icon::Exclamation);
    QCOMPARE(w.comm().Handshaking(), 0);
    QVERIFY(w.LastTextFile.isEmpty());
    QVERIFY(!w.app().LocalEcho);
    QCOMPARE(w.windowTitle(), QStringLiteral("Terminal"));
    // The dialog still fills its fields from the store when first used.
    QCOMPARE(w.propertiesDialog().txtEOLChar->text(), QStringLiteral("6"));
}

void TestStartup::unreadableValuesAreSkipped()
{
    TerminalFixture f;
    f.set("CommPort", "x");
    f.set("LineDelayCheck", "abc");
    f.set("Echo", "maybe");
    f.set("FormWidth", "\x01\x02");
    frmTerminal &w = f.start();
    QCOMPARE(w.comm().CommPort(), 1);
    QVERIFY(!w.propertiesDialog().chkLineDelay->isChecked()); // a fresh check box keeps its state
    QVERIFY(!w.app().LocalEcho);
    QVERIFY(f.messages.shown.isEmpty());
}

void TestStartup::storedValuesAreRestored()
{
    TerminalFixture f;
    f.set("Settings", "115200,E,7,2");
    f.set("CommPort", "3");
    f.set("Handshaking", "1");
    f.set("Echo", "true");
    f.set("LastTextFile", "/data/prog.dlx");
    f.set("TextEOLcheck", "0");
    f.set("StartTransferWord", " go, now ");
    frmTerminal &w = f.start();
    QCOMPARE(w.comm().Settings(), QStringLiteral("115200,e,7,2"));
    QCOMPARE(w.comm().CommPort(), 3);
    QCOMPARE(w.comm().Handshaking(), 1);
    QVERIFY(w.app().LocalEcho);
    QCOMPARE(w.windowTitle(), QStringLiteral("Send Text > /data/prog.dlx"));
    QVERIFY(!w.propertiesDialog().chkWaitFor->isChecked());
    QCOMPARE(w.propertiesDialog().txtStartWord->text(), QStringLiteral(" go, now "));
}

void TestStartup::closingSavesSizeAndLastFile()
{
    TerminalFixture f;
    f.set("LastTextFile", "/data/prog.dlx");
    frmTerminal &w = f.start();
    w.resize(700, 500);
    bool cancel = false;
    w.Form_Unload(cancel);
    QVERIFY(!cancel);
    QCOMPARE(f.get("LastTextFile"), QStringLiteral("/data/prog.dlx"));
    QVERIFY(f.get("FormWidth").toDouble() >= 700 * 15);
    QVERIFY(f.messages.shown.isEmpty()); // port closed: no wait, no prompt

    // The saved size comes back at the next start.
    TerminalFixture g;
    g.set("FormWidth", f.get("FormWidth"));
    g.set("FormHeight", f.get("FormHeight"));
    frmTerminal &again = g.start();
    QCOMPARE(again.size().width(), w.frameGeometry().width() - (again.frameGeometry().width() - again.width()));
}

void TestStartup::storedSizeStaysWithinTheScreen_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("huge") << "1e9"
                          << "3.0e38";
    QTest::newRow("infinite") << "inf"
                              << "+INF";
    QTest::newRow("a twip") << "1"
                            << "0.5";
}

void TestStartup::storedSizeStaysWithinTheScreen()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    TerminalFixture f;
    f.set("FormWidth", width);
    f.set("FormHeight", height);
    frmTerminal &w = f.start();
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QVERIFY(w.width() >= 1 && w.width() <= screen.width());
    QVERIFY(w.height() >= 1 && w.height() <= screen.height());
    QVERIFY2(screen.contains(w.geometry()), "centred on the screen, so wholly visible");
}

void TestStartup::storedEchoSurvivesPropertiesOk()
{
    TerminalFixture f;
    f.set("Echo", "True");
    frmTerminal &w = f.start();
    QVERIFY(w.app().LocalEcho);
    QVERIFY(w.propertiesDialog().optEcho[1]->isChecked());
    QVERIFY(w.propertiesDialog().cmdOK_Click()); // nothing changed in the dialog
    QVERIFY(w.app().LocalEcho);
    QCOMPARE(f.get("Echo"), QStringLiteral("True"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
