#include "TerminalFixture.h"

#include <QtTest>

namespace {

// A board whose line never takes the bytes queued for it (flow control held off for good).
class StuckBoard : public SimulatedBoard
{
public:
    using SimulatedBoard::SimulatedBoard;
    qint64 bytesToWrite() const override { return 5; }
};

} // namespace

// Closing while output is still queued: the user is asked after ten seconds, and decides.
class TestShutdown : public QObject
{
    Q_OBJECT
private slots:
    void queuedOutputAsksThenAbortKeepsTheWindow();
};

void TestShutdown::queuedOutputAsksThenAbortKeepsTheWindow()
{
    TerminalFixture f;
    f.set("CommPort", "16");
    f.board = [&f] { return std::make_unique<StuckBoard>(f.chip); };
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    w.show();

    // Abort: the window stays, the port with it, and the window kept answering meanwhile.
    f.messages.answers = {MessageBox::Answer::Abort, MessageBox::Answer::Ignore};
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!w.close());
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited >= 10000 && waited < 12500, qPrintable(QString::number(waited)));
    QVERIFY2(ticks >= 80, qPrintable(QString::number(ticks)));
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].text, QStringLiteral("Data cannot be sent"));
    QCOMPARE(f.messages.shown[0].buttons, MessageBox::Buttons::AbortRetryIgnore);
    QVERIFY(w.comm().PortOpen());
    QVERIFY(w.isVisible());
    QVERIFY(f.get("FormWidth") == "<none>"); // nothing of the shut-down ran

    // Ignore: the queued bytes are given up and the window goes.
    QVERIFY(w.close());
    QCOMPARE(f.messages.shown.size(), 2);
    QVERIFY(!w.comm().PortOpen());
    QVERIFY(f.get("FormWidth") != "<none>");
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
