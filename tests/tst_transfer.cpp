// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSenderHost.h"
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "TestFiles.h"
#include "transfer/TransmitCommands.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr int kEolTimeoutMs = 300; // the program waits 1500 ms; the rule is the same

// The lines as the rule defines them, the slow and obvious way, each followed by the CR it goes out with.
// A file without any CR ends its lines with LF.
QByteArray referenceWire(const QByteArray &text)
{
    const char end = text.contains('\r') ? '\r' : '\n';
    QByteArray wire;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == end) {
            wire += '\r';
            open = false;
            if (end == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            wire += text[i];
            open = true;
        }
    }
    return open ? wire + '\r' : wire;
}

// Times between the line ends the sender put out, in ms on its own clock.
QList<double> gaps(const FakeSenderHost &host)
{
    const QList<double> ends = host.lineEnds();
    QList<double> between;
    for (qsizetype i = 1; i < ends.size(); ++i)
        between << ends[i] - ends[i - 1];
    return between;
}

} // namespace

// The text file sender and the commands that start it.
class TestTransfer : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void linesGoOutAsTheRuleSays()
    {
        QRandomGenerator random(4711);
        const char alphabet[] = {'a', '\r', '\n', 'b', '\0', '\xff'};
        // CR LF, CR alone, LF alone; one CR anywhere makes a LF an ordinary character.
        const QList<std::pair<QByteArray, QByteArray>> rule{{"a\r\nb\r\n\r\nc", "a\rb\r\rc\r"},
                                                            {"a\rb\rc\r", "a\rb\rc\r"},
                                                            {"a\nb\n\nc", "a\rb\r\rc\r"},
                                                            {"a\nb\rc\n", "a\nb\rc\n\r"}};
        for (const auto &[text, wire] : rule)
            QCOMPARE(referenceWire(text), wire);
        QList<QByteArray> texts{"one\r\ntwo\rthree\r\n\r\nlast", "a\nb\nc\n", "",
                                QByteArray(5000, 'x') + "\r\n" + QByteArray(5000, 'y'),
                                QByteArray(5000, 'x') + "\n" + QByteArray(5000, 'y') + "\n"};
        for (int i = 0; i < 150; ++i) {
            QByteArray text;
            for (int n = random.bounded(40); n > 0; --n)
                text.append(alphabet[random.bounded(6)]);
            texts << text;
        }
        for (const QByteArray &text : texts) {
            FakeSenderHost host;
            host.lastFile = writeFile(*m_dir, "t.txt", text);
            TextSender(host, host.app, kEolTimeoutMs, 1 + random.bounded(7))
                .SendText(); // pieces far shorter than lines
            QCOMPARE(host.wire(), referenceWire(text));
            QCOMPARE(host.eolClears, int(host.lineEnds().size())); // pacing counts lines, not pieces
            QVERIFY(host.messageBox.shown.isEmpty());
        }
    }

    void startWordRuleAndDelayFields()
    {
        const QList<std::tuple<QString, QString, bool>> rule = {
            {"/home/u/A.DLX", "*.DLX", true},     {"/home/u/prog.dlx", "*.DLX", true},
            {"/home/u/prog.dl", "*.DLX", true},   {"/home/u/prog.dlxx", "*.DLX", false},
            {"/home/u/A.HEX", "*.DLX", false},    {"/home/u/PROG", "*.DLX", false},
            {"/home/u.dlx/PROG", "*.DLX", false}, {"/home/u.dlx/PROG", "*.dlx/prog", true},
            {"C:\\A.bas", "*.DLX;*.BAS", true},   {"/home/u/A.DLX", "", false}};
        for (const auto &[path, types, wanted] : rule)
            QVERIFY2(TextSender::wantsStartWord(path, types) == wanted, qPrintable(path + " " + types));
        const QList<std::pair<QString, int>> delays = {{"250", 250}, {"  100ms", 100}, {"12.5", 12},
                                                       {"13.5", 14}, {".6", 1},        {"abc", 0},
                                                       {"", 0},      {"-40", 0},       {"70000", 65535}};
        for (const auto &[text, ms] : delays)
            QCOMPARE(TextSender::milliseconds(text), ms);
    }

    void startWordAndItsPauseComeFirst()
    {
        FakeSenderHost host;
        host.lastFile = writeFile(*m_dir, "PROG.dlx", "10 PRINT\r");
        host.settings = {1, "6", 0, "0", 1, "LOADB", "*.DLX", "300", 0};
        host.onOutput = [&](const QByteArray &) { QTimer::singleShot(0, [&] { host.eol = true; }); };
        TextSender(host, host.app, kEolTimeoutMs).SendText();
        QCOMPARE(host.wire(), QByteArray("LOADB\r10 PRINT\r"));
        QVERIFY2(gaps(host)[0] >= 295,
                 qPrintable(QString::number(gaps(host)[0]))); // the pause, no wait for the character

        FakeSenderHost empty; // an empty file with a matching start word: only the word
        empty.lastFile = writeFile(*m_dir, "E.DLX", "");
        empty.settings = host.settings;
        TextSender(empty, empty.app, kEolTimeoutMs).SendText();
        QCOMPARE(empty.wire(), QByteArray("LOADB\r"));
    }

    void pacingByAnswerTimeOutAndPause()
    {
        FakeSenderHost silent; // no answer: every line waits the whole time-out, the last one too
        silent.lastFile = writeFile(*m_dir, "w.txt", "a\rb\rc\r");
        silent.settings.chkWaitFor = 1;
        QElapsedTimer clock;
        clock.start();
        TextSender(silent, silent.app, kEolTimeoutMs).SendText();
        for (double gap : gaps(silent))
            QVERIFY2(gap >= kEolTimeoutMs - 5, qPrintable(QString::number(gap)));
        QVERIFY(clock.elapsed() >= 3 * (kEolTimeoutMs - 5));
        QVERIFY(silent.messageBox.shown.isEmpty());

        FakeSenderHost prompt; // an answer ends the wait early
        prompt.lastFile = silent.lastFile;
        prompt.settings.chkWaitFor = 1;
        prompt.onOutput = [&](const QByteArray &) { QTimer::singleShot(20, [&] { prompt.eol = true; }); };
        TextSender(prompt, prompt.app, 5000).SendText();
        for (double gap : gaps(prompt))
            QVERIFY2(gap >= 15 && gap < 2500, qPrintable(QString::number(gap)));

        FakeSenderHost paused; // the pause, switched on while the second line goes out: from the next line on
        paused.lastFile = silent.lastFile;
        paused.onOutput = [&](const QByteArray &bytes) {
            if (bytes == "b\r")
                paused.settings.chkLineDelay = 1, paused.settings.txtLineDelay = "150";
        };
        TextSender(paused, paused.app, kEolTimeoutMs).SendText();
        QVERIFY2(gaps(paused)[1] >= 145, qPrintable(QString::number(gaps(paused)[1])));
        paused.sent.clear();
        paused.settings.txtLineDelay = "0"; // no pause at all
        clock.restart();
        TextSender(paused, paused.app, kEolTimeoutMs).SendText();
        QVERIFY(clock.elapsed() < 1000 && paused.lineEnds().size() == 3);
    }

    void stopsEndTheTransferWhereTheyMay()
    {
        // A stop during the wait for the character: that wait runs to its end, the long pause after
        // it ends at its first yield.
        FakeSenderHost host;
        host.lastFile = writeFile(*m_dir, "s.txt", "a\rb\rc\r");
        host.settings = {1, "6", 1, "3000", 0, "", "", "", 0};
        QTimer::singleShot(100, [&] { host.app.StopSending = true; }); // the status-bar click
        QElapsedTimer clock;
        clock.start();
        TextSender(host, host.app, kEolTimeoutMs).SendText();
        QCOMPARE(host.wire(), QByteArray("a\r"));
        QVERIFY2(clock.elapsed() >= kEolTimeoutMs - 5 && clock.elapsed() < 2500,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY(host.app.StopSending);

        // The window closing: every wait ends now and the file is closed at once.
        FakeSenderHost closing;
        closing.lastFile = host.lastFile;
        closing.settings.chkWaitFor = 1;
        TextSender sender(closing, closing.app, 5000);
        bool openAfterAbort = true;
        QTimer::singleShot(100, [&] {
            sender.abort();
            openAfterAbort = heldOpen(closing.lastFile);
        });
        clock.restart();
        sender.SendText();
        QVERIFY(!openAfterAbort && !sender.isRunning());
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(closing.wire(), QByteArray("a\r"));
        QVERIFY(closing.transmitOn && closing.messageBox.shown.isEmpty());
    }

    void windowStatesAndFailures()
    {
        FakeSenderHost host;
        host.lastFile = writeFile(*m_dir, "st.txt", "a\rb\r");
        host.settings = {0, "6", 1, "20", 0, "", "", "", 0};
        host.queued = TextSender::kMaxQueuedBytes + 1; // a full port queue holds the output back
        QTimer::singleShot(100, [&] { host.queued = 0; });
        host.onOutput = [&](const QByteArray &) {
            QVERIFY(!host.transmitOn && !host.resendOn && !host.app.StopSending);
            QCOMPARE(host.status, QStringLiteral("<<< Click here to stop sending >>> "));
            QCOMPARE(host.caption, QStringLiteral("Send Text > ") + host.lastFile);
        };
        TextSender(host, host.app, kEolTimeoutMs).SendText();
        QVERIFY(host.sent[0].atMs >= 95);
        QVERIFY(host.transmitOn && host.resendOn && host.app.StopSending);
        QCOMPARE(host.status, QStringLiteral("Settings: 9600,n,8,1"));
        QCOMPARE(host.caption, QStringLiteral("Send Text > ") + host.lastFile); // stays after the transfer

        FakeSenderHost failing; // the port refuses: one message, nothing more goes out
        failing.lastFile = writeFile(*m_dir, "f.txt", "a\rb\rc\r");
        failing.failOutputNumber = 2;
        TextSender(failing, failing.app, kEolTimeoutMs).SendText();
        QCOMPARE(failing.wire(), QByteArray("a\r"));
        QCOMPARE(failing.messageBox.shown.size(), 1);
        QVERIFY(failing.transmitOn && failing.app.StopSending);
    }

    void choosingAndResending()
    {
        FakeSenderHost host;
        TextSender sender(host, host.app, kEolTimeoutMs);
        TransmitCommands commands(host, sender);
        commands.mnuSendText_Click(); // cancelled, no file ever chosen
        QCOMPARE(host.fileDialog.requests[0].title, QStringLiteral("Send Text File"));
        QCOMPARE(host.fileDialog.requests[0].filter,
                 QStringLiteral("Text Files (*.dlx,*.bas,*hex)|*.dlx;*.hex;*.bas|All Files (*.*)|*.*"));
        QCOMPARE(host.events.mid(0, 2), (QStringList{"transmit:0", "resend:0"})); // off before the dialog
        QVERIFY(host.transmitOn && !host.resendOn && host.sent.isEmpty());
        commands.mmuResendTextFile(); // nothing to send again
        QVERIFY(host.fileDialog.requests.size() == 1 && host.sent.isEmpty());

        const QString missing = m_dir->filePath("typo.dlx"); // a typed name: reported, the dialog again
        const QString path = writeFile(*m_dir, "p.bas", "10 END\r\n");
        host.fileDialog.choices = {missing, path};
        commands.mnuSendText_Click();
        QCOMPARE(host.messageBox.shown.size(), 1);
        QCOMPARE(host.messageBox.shown[0].text, missing + " not found!");
        QCOMPARE(host.wire(), QByteArray("10 END\r"));
        QCOMPARE(host.lastFile, path);
        commands.mnuSendText_Click(); // cancelled after a transfer: the last file stays
        QVERIFY(host.transmitOn && host.resendOn && host.lastFile == path);
        commands.mmuResendTextFile();
        QCOMPARE(host.wire(), QByteArray("10 END\r10 END\r"));
        QFile::remove(path); // gone since: reported by the sender, the commands come back
        commands.mmuResendTextFile();
        QCOMPARE(host.messageBox.shown.size(), 2);
        QVERIFY(host.messageBox.shown[1].text.contains("p.bas") && host.transmitOn && host.resendOn);

        host.fileDialog.choices = {m_dir->filePath(QString(400, 'n'))}; // the look-up itself fails
        commands.mnuSendText_Click();
        QCOMPARE(host.messageBox.shown.size(), 3);
        QVERIFY(!host.messageBox.shown[2].text.endsWith(" not found!"));
        QCOMPARE(host.fileDialog.requests.size(), 5);
    }

    void boardOnAPseudoTerminalAnswersEachPacedLine()
    {
        PtyPair pty;
        if (!pty.usable())
            return;
        TerminalFixture f;
        f.devices[2] = pty.host();
        f.waits.eolTimeoutMs = 10000;
        for (const auto &[key, value] : {std::pair{"TextEOLCheck", "1"},
                                         {"TextEOLValue", "62"},
                                         {"LineDelayCheck", "1"},
                                         {"LineDelayValue", "100"},
                                         {"StartTransferCheck", "1"}})
            f.set(key, value);
        f.set("LastTextFile", writeFile(*m_dir, "PROG.DLX", "10 A=1\r\n20 PRINT A\r\n30 END\r\n"));
        TerminalSession &s = f.openSession(2);
        auto board = pty.openBoard();
        QVERIFY(s.facts().portOpen && board);
        // The board echoes, and answers each CR with its prompt '>', the character the sender
        // waits for, followed by more in the same write.
        QObject::connect(board.get(), &QSerialPort::readyRead,
                         [&] { board->write(board->readAll().replace("\r", "\r>ok\r")); });
        QElapsedTimer clock;
        clock.start();
        s.resendTextFile();
        // The start word's pause and the line pauses at least; a missed answer would cost 10 s.
        QVERIFY2(clock.elapsed() >= 1000 + 2 * 100 - 10 && clock.elapsed() < 8000,
                 qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE(s.text(),
                     QStringLiteral("LOADB\r\n>ok\r\n10 A=1\r\n>ok\r\n20 PRINT A\r\n>ok\r\n30 END\r\n>ok\r\n"));
        QVERIFY(f.messages.shown.isEmpty());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
