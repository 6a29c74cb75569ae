#include "FakeSenderHost.h"
#include "TestFiles.h"
#include "common/AppState.h"
#include "transfer/TextSender.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestTextSender : public QObject
{
    Q_OBJECT
private slots:
    void init();

    // What goes out on the wire
    void linesEndAtCrOrCrLfAndGoOutWithOneCr();
    void loneLineFeedIsPartOfTheLine();
    void emptyFileSendsNothing();
    void veryLongLinesGoOutWhole();

    // The start word
    void startWordRuleIsCaseInsensitiveSubstringOfExtension();
    void startWordAndItsPauseComeFirst();
    void emptyFileWithStartWordSendsOnlyIt();
    void numbersAreReadFromTheFieldsStart();

    // Pacing
    void missingWaitCharacterTimesOutPerLine();
    void promptAnswerEndsTheWaitEarly();
    void linePauseSeparatesLines();
    void settingsChangedDuringTransferApplyToNextLine();

    // Stopping
    void stopDuringLinePauseEndsAtOnce();
    void stopDuringWaitLetsTheWaitFinish();
    void abortEndsWaitsAndClosesFileAtOnce();

    // What the window shows
    void statesBeforeDuringAndAfter();
    void missingFileIsReportedAndCommandsComeBack();
    void outputFailureIsReportedOnceAndEndsTransfer();
    void lateBytesAreReceivedAfterEveryLine();

    // Keeping the window alive
    void bigFileWithoutPacingKeepsEventsFlowing();
    void fullPortQueueHoldsBackOutput();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestTextSender::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestTextSender::linesEndAtCrOrCrLfAndGoOutWithOneCr()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "a.txt", "one\r\ntwo\rthree\r\n\r\nlast");
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("one\rtwo\rthree\r\rlast\r"));
    QCOMPARE(host.eolClears, 5);
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTextSender::loneLineFeedIsPartOfTheLine()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "unix.txt", "a\nb\nc\n");
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("a\nb\nc\n\r"));
    QCOMPARE(host.lineEnds().size(), 1);
}

void TestTextSender::emptyFileSendsNothing()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "empty.txt", "");
    TextSender(host, host.app, 1500).SendText();
    QVERIFY(host.sent.isEmpty());
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTextSender::veryLongLinesGoOutWhole()
{
    QByteArray big(10000, 'x');
    big[4999] = '\n';
    const QByteArray file = big + "\r\n" + big + "\rshort";
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "long.txt", file);
    TextSender(host, host.app, 1500, 7).SendText(); // pieces far shorter than the lines
    QCOMPARE(host.wire(), big + '\r' + big + "\rshort\r");
    QCOMPARE(host.lineEnds().size(), 3);
    QCOMPARE(host.eolClears, 3); // pacing counts lines, not pieces
}

void TestTextSender::startWordRuleIsCaseInsensitiveSubstringOfExtension()
{
    const QString types = QStringLiteral("*.DLX");
    QVERIFY(TextSender::wantsStartWord("/home/u/A.DLX", types));
    QVERIFY(TextSender::wantsStartWord("/home/u/prog.dlx", types));
    QVERIFY(TextSender::wantsStartWord("/home/u/prog.d", types));
    QVERIFY(TextSender::wantsStartWord("/home/u/prog.dl", types));
    QVERIFY(!TextSender::wantsStartWord("/home/u/prog.dlxx", types));
    QVERIFY(!TextSender::wantsStartWord("/home/u/A.HEX", types));
    QVERIFY(!TextSender::wantsStartWord("/home/u/PROG", types));     // no extension at all
    QVERIFY(!TextSender::wantsStartWord("/home/u.dlx/PROG", types)); // the dot is the folder's
    QVERIFY(TextSender::wantsStartWord("/home/u.dlx/PROG", "*.dlx/prog"));
    QVERIFY(TextSender::wantsStartWord("C:\\A.bas", "*.DLX;*.BAS"));
    QVERIFY(!TextSender::wantsStartWord("/home/u/A.DLX", QString()));
}

void TestTextSender::startWordAndItsPauseComeFirst()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "PROG.dlx", "10 PRINT\r");
    host.settings = {1, "6", 0, "0", 1, "LOADB", "*.DLX", "300", 0};
    host.onOutput = [&](const QByteArray &) { QTimer::singleShot(0, [&] { host.eol = true; }); };
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("LOADB\r10 PRINT\r"));
    const auto ends = host.lineEnds();
    const qint64 gap = ends[1] - ends[0];
    QVERIFY2(gap >= 270 && gap < 700, qPrintable(QString::number(gap))); // the pause, no wait for the character
}

void TestTextSender::emptyFileWithStartWordSendsOnlyIt()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "E.DLX", "");
    host.settings = {0, "6", 0, "", 1, "LOADB", "*.dlx", "50", 0};
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("LOADB\r"));
    host.sent.clear();
    host.settings.chkStart = false;
    TextSender(host, host.app, 1500).SendText();
    QVERIFY(host.sent.isEmpty());
}

void TestTextSender::numbersAreReadFromTheFieldsStart()
{
    QCOMPARE(TextSender::milliseconds("250"), 250);
    QCOMPARE(TextSender::milliseconds("  100ms"), 100);
    QCOMPARE(TextSender::milliseconds("12.5"), 12); // rounding ties to even
    QCOMPARE(TextSender::milliseconds("13.5"), 14);
    QCOMPARE(TextSender::milliseconds(".6"), 1);
    QCOMPARE(TextSender::milliseconds("abc"), 0);
    QCOMPARE(TextSender::milliseconds(""), 0);
    QCOMPARE(TextSender::milliseconds("-40"), 0);
    QCOMPARE(TextSender::milliseconds("70000"), 65535); // clamped, not refused
}

void TestTextSender::missingWaitCharacterTimesOutPerLine()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "w.txt", "a\rb\rc\r");
    host.settings.chkWaitFor = true;
    QElapsedTimer t;
    t.start();
    TextSender(host, host.app, 1500).SendText();
    const auto ends = host.lineEnds();
    QCOMPARE(ends.size(), 3);
    for (int i = 1; i < 3; ++i) {
        const qint64 gap = ends[i] - ends[i - 1];
        QVERIFY2(gap >= 1400 && gap < 2000, qPrintable(QString::number(gap)));
    }
    QVERIFY(t.elapsed() >= 3 * 1400); // the last line waits too
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTextSender::promptAnswerEndsTheWaitEarly()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "w.txt", "a\rb\rc\r");
    host.settings.chkWaitFor = true;
    host.onOutput = [&](const QByteArray &) { QTimer::singleShot(60, [&] { host.eol = true; }); };
    TextSender(host, host.app, 1500).SendText();
    const auto ends = host.lineEnds();
    QCOMPARE(ends.size(), 3);
    for (int i = 1; i < 3; ++i) {
        const qint64 gap = ends[i] - ends[i - 1];
        QVERIFY2(gap >= 50 && gap < 500, qPrintable(QString::number(gap)));
    }
}

void TestTextSender::linePauseSeparatesLines()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "d.txt", "a\rb\rc\r");
    host.settings.chkLineDelay = true;
    host.settings.txtLineDelay = "200";
    TextSender(host, host.app, 1500).SendText();
    auto ends = host.lineEnds();
    for (int i = 1; i < 3; ++i) {
        const qint64 gap = ends[i] - ends[i - 1];
        QVERIFY2(gap >= 185 && gap < 500, qPrintable(QString::number(gap)));
    }
    host.sent.clear();
    host.settings.txtLineDelay = "0";
    QElapsedTimer t;
    t.start();
    TextSender(host, host.app, 1500).SendText();
    QVERIFY(t.elapsed() < 150); // 0 means no pause at all
    QCOMPARE(host.lineEnds().size(), 3);
}

void TestTextSender::settingsChangedDuringTransferApplyToNextLine()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "d.txt", "a\rb\rc\r");
    host.onOutput = [&](const QByteArray &bytes) {
        if (bytes == "b\r") { // switched on while the second line goes out
            host.settings.chkLineDelay = true;
            host.settings.txtLineDelay = "250";
        }
    };
    TextSender(host, host.app, 1500).SendText();
    const auto ends = host.lineEnds();
    QVERIFY(ends[1] - ends[0] < 150);
    QVERIFY(ends[2] - ends[1] >= 230);
}

void TestTextSender::stopDuringLinePauseEndsAtOnce()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "s.txt", "a\rb\rc\r");
    host.settings.chkLineDelay = true;
    host.settings.txtLineDelay = "1000";
    QTimer::singleShot(100, [&host] { host.app.StopSending = true; }); // the status-bar click
    QElapsedTimer t;
    t.start();
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("a\r"));
    QVERIFY2(t.elapsed() < 500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(host.app.StopSending);
}

void TestTextSender::stopDuringWaitLetsTheWaitFinish()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "s.txt", "a\rb\r");
    host.settings.chkWaitFor = true;
    QTimer::singleShot(100, [&host] { host.app.StopSending = true; });
    QElapsedTimer t;
    t.start();
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("a\r"));
    QVERIFY2(t.elapsed() >= 1390, qPrintable(QString::number(t.elapsed())));
}

void TestTextSender::abortEndsWaitsAndClosesFileAtOnce()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "s.txt", "a\rb\r");
    host.settings.chkWaitFor = true;
    TextSender sender(host, host.app, 1500);
    bool openAfterAbort = true;
    QTimer::singleShot(100, [&] {
        QVERIFY(heldOpen(host.lastFile));
        sender.abort(); // the window closing
        openAfterAbort = heldOpen(host.lastFile);
    });
    QElapsedTimer t;
    t.start();
    sender.SendText();
    QVERIFY(!openAfterAbort);
    QVERIFY2(t.elapsed() < 500, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(host.wire(), QByteArray("a\r"));
    QVERIFY(!sender.isRunning());
    QVERIFY(host.transmitOn);
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTextSender::statesBeforeDuringAndAfter()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "st.txt", "a\r");
    host.caption = "before";
    bool seen = false;
    host.onOutput = [&](const QByteArray &) {
        seen = true;
        QVERIFY(!host.transmitOn && !host.resendOn);
        QCOMPARE(host.status, QStringLiteral("<<< Click here to stop sending >>> "));
        QCOMPARE(host.caption, QStringLiteral("Send Text > ") + host.lastFile);
        QVERIFY(!host.app.StopSending);
    };
    TextSender sender(host, host.app, 1500);
    QVERIFY(!sender.isRunning());
    sender.SendText();
    QVERIFY(seen);
    QVERIFY(host.transmitOn && host.resendOn);
    QCOMPARE(host.status, QStringLiteral("Settings: 9600,n,8,1"));
    QCOMPARE(host.caption, QStringLiteral("Send Text > ") + host.lastFile); // stays after the transfer
    QVERIFY(host.app.StopSending);
    QVERIFY(host.events.contains(QStringLiteral("caption:Send Text > ") + host.lastFile));
    QCOMPARE(host.events.count("binary"), 2); // at the start and at the end
}

void TestTextSender::missingFileIsReportedAndCommandsComeBack()
{
    FakeSenderHost host;
    host.lastFile = m_dir->filePath("gone.txt");
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.messageBox.shown.size(), 1);
    QVERIFY(host.messageBox.shown[0].text.contains("gone.txt"));
    QCOMPARE(host.messageBox.shown[0].icon, MessageBox::Icon::Exclamation);
    QVERIFY(host.sent.isEmpty());
    QCOMPARE(host.caption, QStringLiteral("Tavro Terminal"));
    QVERIFY(!host.events.contains("status:<<< Click here to stop sending >>> "));
    QVERIFY(host.transmitOn && host.resendOn);
    QCOMPARE(host.status, QStringLiteral("Settings: 9600,n,8,1"));
}

void TestTextSender::outputFailureIsReportedOnceAndEndsTransfer()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "f.txt", "a\rb\rc\rd\r");
    host.failOutputNumber = 2;
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("a\r"));
    QCOMPARE(host.messageBox.shown.size(), 1);
    QCOMPARE(host.messageBox.shown[0].text, QStringLiteral("Port is closed"));
    QVERIFY(host.transmitOn);
    QVERIFY(host.app.StopSending);
}

void TestTextSender::lateBytesAreReceivedAfterEveryLine()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "l.txt", "a\rb\r");
    host.settings.chkLineDelay = true;
    host.settings.txtLineDelay = "20";
    TextSender(host, host.app, 1500).SendText();
    QStringList flow;
    for (const QString &e : host.events)
        if (e == "out" || e == "late")
            flow.append(e);
    QCOMPARE(flow, (QStringList{"out", "late", "out", "late"}));
}

void TestTextSender::bigFileWithoutPacingKeepsEventsFlowing()
{
    QByteArray line(999, 'z');
    line += '\r';
    QTemporaryFile file(m_dir->filePath("big-XXXXXX.txt"));
    QVERIFY(file.open());
    for (int i = 0; i < 20000; ++i) // 20 MB, with nothing to wait for
        file.write(line);
    file.close();
    FakeSenderHost host;
    host.lastFile = file.fileName();
    qint64 total = 0;
    host.onOutput = [&](const QByteArray &b) { total += b.size(); };
    host.sent.reserve(0);
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worstGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(5);
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(total, qint64(20000) * line.size());
    QVERIFY(last > 0);
    QVERIFY2(worstGap < 250, qPrintable(QString::number(worstGap)));
}

void TestTextSender::fullPortQueueHoldsBackOutput()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "q.txt", "a\rb\r");
    host.queued = TextSender::kMaxQueuedBytes + 1;
    QTimer::singleShot(200, [&] { host.queued = 0; }); // the port drains
    TextSender(host, host.app, 1500).SendText();
    QCOMPARE(host.wire(), QByteArray("a\rb\r"));
    QVERIFY2(host.sent[0].atMs >= 185, qPrintable(QString::number(host.sent[0].atMs)));
}

QTEST_GUILESS_MAIN(TestTextSender)
#include "tst_transfer.moc"
