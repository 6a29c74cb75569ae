#include "PtyPair.h"
#include "TerminalFixture.h"
#include "terminal/TerminalView.h"

#include <QSerialPort>
#include <QtTest>

// Keys and received bytes through a real pseudo-terminal pair.
class TestKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void keysGoOutAndBoardTextComesIn();
    void localEchoShowsTheKeyAtOnce();
    void closedPortOnlyEditsTheView();
    void programmingModeHandsKeysToTheConsole();
    void portHeldByAnotherProgramIsCalledBusy();
};

void TestKeyboard::keysGoOutAndBoardTextComesIn()
{
    PtyPair pty;
    QVERIFY(pty.ready());
    TerminalFixture f;
    f.set("CommPort", "2");
    f.devices[2] = pty.a();
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QVERIFY2(w.comm().PortOpen(), qPrintable(f.messages.shown.isEmpty() ? "" : f.messages.shown[0].text));
    QSerialPort board(pty.b());
    QVERIFY(board.open(QIODevice::ReadWrite));

    QTest::keyClicks(w.view(), "hi");
    QTest::keyClick(w.view(), Qt::Key_Return);
    QByteArray got;
    QTRY_VERIFY((got += board.readAll()).size() >= 3);
    QCOMPARE(got, QByteArray("hi\r")); // Enter is CR alone
    QCOMPARE(w.view()->toPlainText(), QString());

    board.write("ok\r\nmore\n");
    board.flush();
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("ok\nmore"));
}

void TestKeyboard::localEchoShowsTheKeyAtOnce()
{
    TerminalFixture f;
    f.set("CommPort", "16");
    f.set("Echo", "True");
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QTest::keyClicks(w.view(), "a");
    QCOMPARE(w.view()->toPlainText(), QStringLiteral("a"));
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("aa")); // the board echoes too
}

void TestKeyboard::closedPortOnlyEditsTheView()
{
    TerminalFixture f;
    frmTerminal &w = f.start();
    QTest::keyClicks(w.view(), "abc");
    QTest::keyClick(w.view(), Qt::Key_Backspace);
    QCOMPARE(w.view()->toPlainText(), QStringLiteral("ab"));
}

void TestKeyboard::programmingModeHandsKeysToTheConsole()
{
    TerminalFixture f;
    frmTerminal &w = f.start();
    w.app().ProgMode = true;
    QTest::keyClicks(w.view(), "vx");
    QCOMPARE(w.app().ConsoleKey, quint16('x')); // only the last key survives
    w.app().ProgMode = false;
}

void TestKeyboard::portHeldByAnotherProgramIsCalledBusy()
{
    PtyPair pty;
    QVERIFY(pty.ready());
    QSerialPort holder(pty.a());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    TerminalFixture f;
    f.set("CommPort", "2");
    f.devices[2] = pty.a();
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QVERIFY(!w.comm().PortOpen());
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].text, pty.a() + ": busy, another program has it open");
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
