#include "FaultRig.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <deque>

// The device going away while open: an adapter unplugged (the pseudo-terminal's other side
// ended) or the simulated board pulled, idle, during a transfer and in programming mode.
class TestPortLoss : public QObject
{
    Q_OBJECT
private slots:
    void lossWhileIdleIsShownOnceAndTheDeviceCanBeReopened();
    void lossDuringTransferEndsItWithOneMessage();
    void lossInProgrammingModeLeavesItWithResetReleased();
};

void TestPortLoss::lossWhileIdleIsShownOnceAndTheDeviceCanBeReopened()
{
    FaultRig rig;
    QVERIFY(rig.cable.ready());
    frmTerminal &w = rig.start(2);
    const QString log = rig.dir.filePath(QStringLiteral("session.log"));
    rig.files.choices.push_back(log);
    w.mnuOpenLog_Click();
    w.mnuOpen_Click();
    QVERIFY2(w.comm().PortOpen(), qPrintable(rig.shownTexts().join('\n')));
    auto board = rig.openBoardEnd();
    QVERIFY(board);
    board->write("before\r");
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("before\n"));

    rig.cable.unplug();
    board.reset();
    QTRY_VERIFY(rig.showsClosedPort());
    QTest::qWait(300); // one unplug raises several errors
    QCOMPARE(rig.shownTexts().size(), 1);
    QVERIFY2(rig.shownTexts()[0].contains(rig.cable.hostPath()), qPrintable(rig.shownTexts()[0]));
    QCOMPARE(w.view()->toPlainText(), QStringLiteral("before\n"));
    QVERIFY(w.menuItem(QStringLiteral("mnuCloseLog"))->isEnabled());

    QVERIFY(rig.cable.plugIn());
    w.mnuOpen_Click();
    QVERIFY2(w.comm().PortOpen(), qPrintable(rig.shownTexts().join('\n')));
    board = rig.openBoardEnd();
    QVERIFY(board);
    board->write("after\r");
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("before\nafter\n"));
    QCOMPARE(fileContents(log), QByteArray("before\r\nafter\r\n"));
    QCOMPARE(rig.shownTexts().size(), 1);
}

void TestPortLoss::lossDuringTransferEndsItWithOneMessage()
{
    FaultRig rig;
    QVERIFY(rig.cable.ready());
    rig.set(QStringLiteral("LineDelayCheck"), QStringLiteral("1"));
    rig.set(QStringLiteral("LineDelayValue"), QStringLiteral("50"));
    frmTerminal &w = rig.start(2);
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    QByteArray text;
    for (int i = 0; i < 60; ++i) // three seconds of line pauses
        text += "line " + QByteArray::number(i) + '\r';
    const QString file = rig.dir.filePath(QStringLiteral("lines.txt"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();
    w.LastTextFile = file;

    auto board = rig.openBoardEnd();
    QVERIFY(board);
    QTimer::singleShot(300, [&] {
        rig.cable.unplug();
        board.reset();
    });
    QElapsedTimer clock;
    clock.start();
    w.mmuResendTextFile(); // returns when the transfer has ended
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!heldOpen(file));
    QTest::qWait(200);
    QVERIFY(rig.showsClosedPort());
    QCOMPARE(rig.shownTexts().size(), 1);
    QVERIFY2(rig.shownTexts()[0].contains(rig.cable.hostPath()), qPrintable(rig.shownTexts()[0]));

    // Back again: the whole file goes out.
    QVERIFY(rig.cable.plugIn());
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    QVERIFY(w.toolButton(QStringLiteral("ResendTextFile"))->isEnabled());
    board = rig.openBoardEnd();
    QVERIFY(board);
    QByteArray got;
    connect(board.get(), &QSerialPort::readyRead, [&] { got += board->readAll(); });
    w.mmuResendTextFile();
    QTRY_COMPARE(got, text);
    QCOMPARE(rig.shownTexts().size(), 1);
    QCOMPARE(w.statusText(), QStringLiteral("Settings: 9600,n,8,1"));
}

void TestPortLoss::lossInProgrammingModeLeavesItWithResetReleased()
{
    FaultRig rig;
    frmTerminal &w = rig.start(16);
    w.lineDriver().setWaitScale(0.3);
    rig.chip->setTimeScale(0.3);
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());

    // V 0 Enter 07FF: a listing of the whole data memory, pulled out in the middle.
    std::deque<quint16> keys{'v', '0', 13, '0', '7', 'F', 'F'};
    QTimer typist;
    connect(&typist, &QTimer::timeout, [&] {
        if (!keys.empty() && w.app().ConsoleKey == 0) {
            quint16 key = keys.front();
            keys.pop_front();
            w.txtTerm_KeyPress(key);
        }
    });
    typist.start(5);
    bool heldInReset = false;
    QElapsedTimer sinceUnplug;
    QTimer unplugger;
    connect(&unplugger, &QTimer::timeout, [&] {
        if (!w.view()->toPlainText().contains(QStringLiteral("0020 ")))
            return;
        unplugger.stop();
        heldInReset = rig.chip->inReset();
        rig.board->unplug();
        sinceUnplug.start();
    });
    unplugger.start(5);
    QTimer::singleShot(10000, [&] { w.app().ConsoleKey = 'x'; }); // the test must end
    w.mmuProg_Click();                                            // returns when programming mode has ended
    QVERIFY(sinceUnplug.isValid());
    QVERIFY2(sinceUnplug.elapsed() < 1000, qPrintable(QString::number(sinceUnplug.elapsed())));
    QVERIFY(heldInReset);
    QVERIFY(!w.app().ProgMode);
    QVERIFY(keys.empty());
    QTest::qWait(100);
    QCOMPARE(rig.shownTexts().size(), 1);
    QVERIFY2(rig.shownTexts()[0].contains(QStringLiteral("Built-in simulated board")), qPrintable(rig.shownTexts()[0]));
    QVERIFY(rig.showsClosedPort());
    QVERIFY(w.toolButton(QStringLiteral("Properties"))->isEnabled()); // menus and toolbar are back
    QVERIFY(w.view()->toPlainText().contains(QStringLiteral("0000 ")));

    // Plugged in again: the chip runs, not held in reset.
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    QVERIFY(!rig.chip->inReset());
    quint16 space = ' ';
    w.txtTerm_KeyPress(space);
    QTRY_VERIFY(w.view()->toPlainText().contains(QStringLiteral("Tavro simulated board ready")));
    QCOMPARE(rig.shownTexts().size(), 1);
}

QTEST_MAIN(TestPortLoss)
#include "tst_faults_port.moc"
