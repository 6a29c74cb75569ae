#include "TerminalFixture.h"
#include "settings/frmProperties.h"

#include <QAction>
#include <QtTest>

class TestProperties : public QObject
{
    Q_OBJECT
private slots:
    void showsTheLivePortSettings_data();
    void showsTheLivePortSettings();
    void okAppliesAndStoresEverything();
    void cancelDiscardsEdits();
    void failedPortChangeRestoresOldPortAndStoresNothing();
    void portChangeOnOpenPortReopens();
    void speedChangeKeepsPortOpen();
};

void TestProperties::showsTheLivePortSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("stop");
    QTest::newRow("plain") << "9600,n,8,1"
                           << "9600"
                           << "None"
                           << "8"
                           << "1";
    QTest::newRow("one and a half") << "115200,O,7,1.5"
                                    << "115200"
                                    << "Odd"
                                    << "7"
                                    << "1.5";
    QTest::newRow("mark") << "300,m,5,2"
                          << "300"
                          << "Mark"
                          << "5"
                          << "2";
    QTest::newRow("space") << "921600,s,6,1"
                           << "921600"
                           << "Space"
                           << "6"
                           << "1";
    QTest::newRow("even") << "110,E,4,1"
                          << "110"
                          << "Even"
                          << "4"
                          << "1";
}

void TestProperties::showsTheLivePortSettings()
{
    QFETCH(QString, settings);
    TerminalFixture f;
    f.set("Settings", settings);
    frmTerminal &w = f.start();
    frmProperties &d = w.propertiesDialog();
    QTEST(d.cboSpeed->currentText(), "speed");
    QTEST(d.cboParity->currentText(), "parity");
    QTEST(d.cboDataBits->currentText(), "data");
    QTEST(d.cboStopBits->currentText(), "stop");
}

void TestProperties::okAppliesAndStoresEverything()
{
    TerminalFixture f;
    f.set("Settings", "115200,o,7,1.5");
    frmTerminal &w = f.start();
    frmProperties &d = w.propertiesDialog();
    d.optEcho[1]->setChecked(true);
    d.optFlow[2]->setChecked(true);
    d.cboPort->setCurrentIndex(2);
    d.txtStartWord->setText(" LOAD, B ");
    d.chkRTS->setChecked(true);
    QVERIFY(d.cmdOK_Click());
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.get("Settings"), QStringLiteral("115200,o,7,1.5"));
    QCOMPARE(f.get("CommPort"), QStringLiteral("3"));
    QCOMPARE(f.get("Handshaking"), QStringLiteral("2"));
    QCOMPARE(f.get("Echo"), QStringLiteral("True"));
    QCOMPARE(f.get("TextEOLCheck"), QStringLiteral("1")); // written as TextEOLcheck
    QCOMPARE(f.get("TextRTSCheck"), QStringLiteral("1")); // written as TextRTScheck
    QCOMPARE(f.get("StartTransferWord"), QStringLiteral(" LOAD, B "));
    QVERIFY(w.app().LocalEcho);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A new dialog comes from the store.
    QCOMPARE(w.propertiesDialog().txtStartWord->text(), QStringLiteral(" LOAD, B "));
    QVERIFY(w.propertiesDialog().chkRTS->isChecked());
}

void TestProperties::cancelDiscardsEdits()
{
    TerminalFixture f;
    frmTerminal &w = f.start();
    w.propertiesDialog().txtStartWord->setText("CHANGED");
    w.propertiesDialog().cmdCancel_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(w.propertiesDialog().txtStartWord->text(), QStringLiteral("LOADB"));
    QCOMPARE(f.get("StartTransferWord"), QStringLiteral("<none>"));
}

void TestProperties::failedPortChangeRestoresOldPortAndStoresNothing()
{
    TerminalFixture f;
    f.set("CommPort", "16");
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    frmProperties &d = w.propertiesDialog();
    d.optEcho[1]->setChecked(true);
    d.cboPort->setCurrentIndex(4); // Com5 names no device
    QVERIFY(!d.cmdOK_Click());
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(w.comm().CommPort(), 16);
    QVERIFY(!w.comm().PortOpen());
    QVERIFY(!w.menuItem("mnuOpen")->isChecked());
    QVERIFY(!w.menuItem("mnuSendText")->isEnabled());
    QVERIFY(!w.toolButton("TransmitTextFile")->isEnabled());
    QVERIFY(w.app().LocalEcho);                        // applied first, kept
    QCOMPARE(f.get("Echo"), QStringLiteral("<none>")); // but not stored
}

void TestProperties::portChangeOnOpenPortReopens()
{
    TerminalFixture f;
    f.set("CommPort", "1");
    f.devices[1] = "/nonexistent/tty";
    frmTerminal &w = f.start();
    w.propertiesDialog().cboPort->setCurrentIndex(15);
    QVERIFY(w.propertiesDialog().cmdOK_Click());
    QCOMPARE(w.comm().CommPort(), 16);
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    // Picking Com16 again in the main list applies the dialog without touching the port.
    w.cboPort_Click(15);
    QVERIFY(w.comm().PortOpen());
    QCOMPARE(f.get("CommPort"), QStringLiteral("16"));
}

void TestProperties::speedChangeKeepsPortOpen()
{
    TerminalFixture f;
    f.set("CommPort", "16");
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    w.propertiesDialog().cboSpeed->setCurrentText("57600");
    QVERIFY(w.propertiesDialog().cmdOK_Click());
    QVERIFY(w.comm().PortOpen());
    QCOMPARE(w.comm().Settings(), QStringLiteral("57600,n,8,1"));
}

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
