// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyTyper.h"
#include "PtyPair.h"
#include "TerminalFixture.h"

#include <QtTest>

// The terminal on its own tty device over pseudo-terminals: keys out and text in through the
// window; a device that goes away while open (idle, during a transfer and in programming mode)
// and comes back, or something else in its place, on the session alone.
class TestPort : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_pty = std::make_unique<PtyPair>();
        m_f = std::make_unique<TerminalFixture>();
        m_f->devices[2] = m_pty->host();
    }

    void keysGoOutAndEveryByteComesIn()
    {
        if (!m_pty->usable())
            return;
        frmTerminal &w = m_f->open(2);
        QVERIFY(m_f->session->facts().portOpen);
        auto board = m_pty->openBoard();
        QVERIFY(board);
        const QString log = m_dir.filePath(QStringLiteral("bytes.log"));
        m_f->files.choices.push_back(log);
        w.menuItem("mnuOpenLog")->trigger();

        QTest::keyClicks(w.view(), "hi");
        QTest::keyClick(w.view(), Qt::Key_Return);
        QByteArray got;
        QTRY_VERIFY((got += board->readAll()).size() >= 3);
        QCOMPARE(got, QByteArray("hi\r")); // Enter is CR alone
        QCOMPARE(m_f->session->text(), QString());

        // Every byte value but backspace, whose effect depends on where a chunk starts.
        QByteArray sent;
        for (int b = 0; b < 256; ++b)
            if (b != 8)
                sent += char(b);
        board->write(sent);
        QByteArray expected = sent;
        expected.replace("\n", "").replace("\r", "\r\n");
        QTRY_COMPARE(fileContents(log), expected);
        QCOMPARE(m_f->screen(), QString::fromLatin1(expected));
        QVERIFY(m_f->messages.shown.isEmpty());
    }

    void aNestedLoopInTheReceiveHandlerLosesNothing()
    {
        // A box up in the middle of a stream (the log's failure, a lost port) runs a nested loop
        // inside the receive handler; lines written 2 to 40 ms apart meanwhile come once, in order.
        if (!m_pty->usable())
            return;
        TerminalSession &s = m_f->openSession(2);
        m_f->files.choices.push_back(m_dir.filePath(QStringLiteral("nested.log")));
        s.openLog();
        auto board = m_pty->openBoard();
        bool nested = false;
        connect(&s, &TerminalSession::textChanged, [&] {
            if (!std::exchange(nested, true))
                QTest::qWait(600);
        });
        QString expected;
        QRandomGenerator random(5);
        for (int line = 0; line < 40; ++line) {
            const QByteArray text = "line " + QByteArray::number(line) + " of forty\r";
            QVERIFY(board->write(text) == text.size() && board->waitForBytesWritten(1000));
            expected += QString::fromLatin1(text) + u'\n';
            QTest::qWait(2 + random.bounded(39));
        }
        QTRY_COMPARE(s.text(), expected);
        s.closeLog();
        QCOMPARE(fileContents(m_dir.filePath(QStringLiteral("nested.log"))), expected.toLatin1());
    }

    void lossDuringTransferIsShownOnceAndThePortComesBack()
    {
        if (!m_pty->usable())
            return;
        m_f->set("LineDelayCheck", "1");
        m_f->set("LineDelayValue", "50");
        QByteArray text, shown;
        for (int i = 0; i < 60; ++i) { // three seconds of line pauses
            text += "line " + QByteArray::number(i) + '\r';
            shown += "line " + QByteArray::number(i) + "\r\n";
        }
        m_f->set("LastTextFile", writeFile(m_dir, "lines.txt", text));
        TerminalSession &s = m_f->openSession(2);
        const QString log = m_dir.filePath(QStringLiteral("session.log"));
        m_f->files.choices.push_back(log);
        s.openLog();
        auto board = m_pty->openBoard();
        board->write("before\r");
        QTRY_COMPARE(s.text(), QStringLiteral("before\r\n"));
        QTimer::singleShot(300, [&] {
            m_pty->unplug();
            board.reset();
        });
        s.resendTextFile(); // returns when the transfer has ended
        QVERIFY(!heldOpen(s.lastTextFile()));
        QTRY_VERIFY(!s.facts().portOpen);
        QTest::qWait(300); // one unplug raises several errors
        QCOMPARE(m_f->shownTexts().size(), 1);
        // The one message names the device and the line the transfer stopped at: the first the
        // board has not seen whole.
        const QString message = m_f->shownTexts()[0];
        const auto match =
            QRegularExpression("\\nThe transfer of .*lines.txt stopped at line (\\d+)\\.$").match(message);
        const int line = match.captured(1).toInt();
        QVERIFY2(message.contains(m_pty->host()) && match.hasMatch() && line > 1 && line < 60, qPrintable(message));
        QVERIFY(!commandStates(s.facts()).Prog && commandStates(s.facts()).mnuOpenChecked); // waits for it
        QCOMPARE(m_f->status,
                 m_pty->host() + " is no longer available (unplugged or closed); waiting for it to come back");
        QVERIFY(s.facts().logOpen); // the log stays open

        // Back again, by itself: text comes in after what came before, and the whole file goes out.
        QVERIFY(m_pty->plugIn());
        QTRY_VERIFY(s.facts().portOpen);
        QCOMPARE(m_f->status, QStringLiteral("Settings: 9600,n,8,1 (reconnected)"));
        QVERIFY(commandStates(s.facts()).ResendTextFile);
        board = m_pty->openBoard();
        board->write("after\r");
        QTRY_VERIFY(fileContents(log).startsWith("before\r\nafter\r\n"));
        PropertyValues values = s.properties().text; // no pauses now: echoes overtake the sender
        values.chkLineDelay = 0;
        s.editProperties(values);
        QByteArray got;
        connect(board.get(), &QSerialPort::readyRead, [&] {
            const QByteArray bytes = board->readAll();
            got += bytes;
            board->write(bytes);
        });
        s.resendTextFile();
        QTRY_COMPARE(got, text);
        QTRY_COMPARE(fileContents(log), "before\r\nafter\r\n" + shown);
        QCOMPARE(m_f->shownTexts().size(), 1);
        QCOMPARE(m_f->status, QStringLiteral("Settings: 9600,n,8,1"));
    }

    void lossInProgrammingModeLeavesItWithResetReleased()
    {
        m_f->waits.chipScale = 0.3;
        TerminalSession &s = m_f->openSession(16);
        QVERIFY(s.facts().portOpen);
        // V 0 Enter 07FF: a listing of the whole data memory, pulled out in the middle.
        KeyTyper typer(s, QStringLiteral("v0\n07FF"));
        bool heldInReset = false;
        QTimer unplugger;
        connect(&unplugger, &QTimer::timeout, [&] {
            if (!s.text().contains(QStringLiteral("0020 ")))
                return;
            unplugger.stop();
            heldInReset = m_f->chip->inReset();
            m_f->simulatedBoard()->unplug();
        });
        unplugger.start(5);
        QTimer::singleShot(20000, [&] { s.typeKey('x'); }); // the test must end
        s.toggleProgramming();                              // returns when programming mode has ended
        QVERIFY(heldInReset);
        QVERIFY(!s.facts().progMode);
        QCOMPARE(m_f->shownTexts().size(), 1);
        QVERIFY2(m_f->shownTexts()[0].contains(QStringLiteral("Built-in simulated board")),
                 qPrintable(m_f->shownTexts()[0]));
        QVERIFY(!s.facts().portOpen);
        QVERIFY(commandStates(s.facts()).Properties); // menus and toolbar are back

        // Plugged in again: the port comes back with the chip running, not held in reset.
        m_f->simulatedBoard()->plugIn();
        QTRY_VERIFY(s.facts().portOpen);
        QVERIFY(!m_f->chip->inReset());
        QCOMPARE(s.typeKey(' '), TerminalSession::Key::Sent);
        QTRY_VERIFY(s.text().contains(QStringLiteral("Tavro simulated board ready")));
        QCOMPARE(m_f->shownTexts().size(), 1);
    }

    void aLostDeviceIsWaitedForUntilItIsBackOrTheUserCloses()
    {
        if (!m_pty->usable())
            return;
        m_f->set("Settings", "19200,n,8,2");
        TerminalSession &s = m_f->openSession(2);
        const QString log = m_dir.filePath(QStringLiteral("cycles.log"));
        m_f->files.choices.push_back(log);
        s.openLog();
        const auto descriptors = [] { return QDir("/proc/self/fd").count(); };
        const qsizetype before = descriptors();
        QByteArray logged;
        for (int cycle = 0; cycle < 20; ++cycle) {
            QVERIFY(s.facts().portOpen && s.portSettings() == "19200,n,8,2");
            auto board = m_pty->openBoard();
            board->write("cycle " + QByteArray::number(cycle) + '\r');
            logged += "cycle " + QByteArray::number(cycle) + "\r\n";
            QTRY_COMPARE(fileContents(log), logged);
            board.reset();
            m_pty->unplug();
            QTRY_VERIFY(s.facts().waitingForDevice);
            QCOMPARE(s.typeKey('a'), TerminalSession::Key::Refused); // nothing is sent while away
            QVERIFY(m_pty->plugIn());
            QTRY_VERIFY(s.facts().portOpen);
        }
        QVERIFY(descriptors() <= before);       // none leaked
        QVERIFY(m_f->messages.shown.isEmpty()); // waiting is shown in the status bar only

        // Closed by the user while waiting or before the loss, moved to another number while
        // waiting, or reconnection turned off (the loss is then a message): never reopened by itself.
        for (const QString way : {"close while waiting", "close first", "move while waiting", "turn off"}) {
            if (way == "close first")
                s.togglePort();
            if (way == "turn off")
                QVERIFY(s.setReconnectAutomatically(false) && m_f->get("AutoReconnect") == "False");
            m_pty->unplug();
            if (way.endsWith("while waiting")) {
                QTRY_VERIFY(s.facts().waitingForDevice);
                way == "move while waiting" ? (void)s.choosePort(1) : s.togglePort();
            }
            QVERIFY(m_pty->plugIn());
            QTest::qWait(3 * Reconnection::kLookEveryMs);
            QVERIFY(!s.facts().portOpen && !s.facts().waitingForDevice);
            QCOMPARE(m_f->messages.shown.size(), way == "turn off" ? 1 : 0);
            if (way == "move while waiting")
                QVERIFY(s.choosePort(2));
            s.togglePort();
        }
        QCOMPARE(fileContents(log), logged);
    }

    void onlyTheSameDeviceIsReopened()
    {
        // Com2 is an adapter's tty (a link to a pseudo-terminal, as the kernel's node would be),
        // known by its stable link and by what sysfs says of it (folders of the test's own).
        if (!m_pty->usable())
            return;
        QTemporaryDir byId, sys, dev;
        m_f->places = {byId.path(), sys.path()};
        const QString link = byId.filePath("usb-FTDI_FT232R_A1B2-if00-port0"), raw = dev.filePath("ttyUSB0");
        const auto plugIn = [&](const QByteArray &serial, bool asTtyUSB0) {
            QVERIFY(m_pty->plugIn());
            const QString tty = QFileInfo(m_pty->host()).canonicalFilePath();
            QDir(sys.filePath("class/tty")).removeRecursively();
            fakeSysfs(sys.path(), QFileInfo(tty).fileName(), "0403", "6001", serial);
            QFile::remove(link);
            QVERIFY(QFile::link(tty, link)); // as udev makes it
            if (asTtyUSB0)
                QVERIFY(QFile::link(tty, raw));
        };
        const auto unplug = [&] {
            m_pty->unplug();
            QFile::remove(raw); // the kernel's node goes with the adapter
        };
        m_pty->unplug();
        plugIn("A1B2", true);
        m_f->devices[2] = raw;
        TerminalSession &s = m_f->openSession(2);
        QVERIFY2(s.facts().portOpen, qPrintable(m_f->shownTexts().join('|')));
        // Back under another tty with the same serial number: reopened through the stable link.
        unplug();
        QTRY_VERIFY(s.facts().waitingForDevice);
        plugIn("A1B2", false);
        QTRY_VERIFY(s.facts().portOpen);
        QCOMPARE(m_f->status, QStringLiteral("Settings: 9600,n,8,1 (reconnected)"));
        // Another adapter under that link: it waits, and says what stands there instead.
        unplug();
        QTRY_VERIFY(s.facts().waitingForDevice);
        plugIn("C3D4", true);
        QTRY_VERIFY2(m_f->status.startsWith("Waiting: " + link
                                            + " is now USB 0403:6001 serial C3D4, not USB "
                                              "0403:6001 serial A1B2"),
                     qPrintable(m_f->status));
        QTest::qWait(3 * Reconnection::kLookEveryMs);
        QVERIFY(!s.facts().portOpen);

        // A link left behind by a killed program, now leading to a pseudo-terminal another program
        // holds: never the same device. The link made anew is.
        m_f->places = {};
        s.togglePort(); // closed for good
        m_f->devices[2] = m_pty->host();
        s.togglePort();
        QVERIFY(s.facts().portOpen);
        const QString pty = QFileInfo(m_pty->host()).canonicalFilePath();
        m_pty->killHard(); // its links stay, dangling
        QTRY_VERIFY(s.facts().waitingForDevice);
        PtyPair other; // another program's pair takes the freed numbers
        QTest::qWait(3 * Reconnection::kLookEveryMs);
        QVERIFY(!s.facts().portOpen);
        if (QFileInfo::exists(pty))
            QVERIFY2(m_f->status.contains("a pseudo-terminal another program holds"), qPrintable(m_f->status));
        QVERIFY(m_pty->plugIn());
        QTRY_VERIFY(s.facts().portOpen);
    }

    void aStreamIsReadInGulpsWholeAndInOrder()
    {
        if (!m_pty->usable())
            return;
        TtyDevice device(m_pty->host());
        QVERIFY(!device.open(LineFormat{}));
        auto board = m_pty->openBoard();
        QVERIFY(board);
        int reads = 0;
        QByteArray got;
        QString lost;
        connect(&device, &SerialDevice::readyRead, [&] { ++reads, got += device.readAll(); });
        connect(&device, &SerialDevice::lost, [&](const QString &why) { lost = why; });
        QByteArray sent;
        const auto stream = [&](int chunks) {
            for (int chunk = 0; chunk < chunks; ++chunk) {
                QByteArray bytes(300, Qt::Uninitialized);
                for (char &b : bytes)
                    b = char(sent.size() * 7 + (&b - bytes.data()));
                sent += bytes;
                QVERIFY(board->write(bytes) == bytes.size() && board->waitForBytesWritten(1000));
                QTest::qWait(4);
            }
        };
        stream(100);
        QTRY_COMPARE(got.size(), sent.size());
        QCOMPARE(got, sent);
        QVERIFY2(reads < 50, qPrintable(QString::number(reads))); // many chunks a wake-up

        // After a pause a byte is read by itself; a hang-up in a stream is reported.
        QTest::qWait(100);
        reads = 0;
        board->write("x");
        sent += 'x';
        QTRY_COMPARE(got, sent);
        QCOMPARE(reads, 1);
        stream(20);
        m_pty->unplug();
        QTRY_VERIFY(!lost.isEmpty());
        QVERIFY(sent.startsWith(got + device.readAll())); // what socat still held is gone with it
        // A second user finds it busy while it is open, a program of ours or of Qt's serial port
        // (which looks for the lock file); a rate that termios does not name is taken.
        QVERIFY(m_pty->plugIn());
        TtyDevice first(m_pty->host()), second(m_pty->host());
        LineFormat format;
        format.baudRate = 31250;
        QVERIFY(!first.open(format));
        QCOMPARE(second.open(LineFormat{}), Failure(m_pty->host() + ": busy, another program has it open"));
        QSerialPort qt(m_pty->host());
        QVERIFY(!qt.open(QIODevice::ReadWrite));
    }

    void aGulpNeverOutlastsThreeQuartersOfTheLineBuffer()
    {
        const qint64 at921600 = 92160, at3M = 300000, pty = 92160;
        QCOMPARE(ReadGathering::gatherMs(at921600, 30, 2763, true), 33); // a steady stream
        QCOMPARE(ReadGathering::gatherMs(at3M, 1, 62, false), 10);       // a small read is no rate
        QCOMPARE(ReadGathering::gatherMs(960, 10, 1, false), 34);        // a slow trickle: a frame
        QCOMPARE(ReadGathering::gatherMs(pty, 0, 4095, false), 0);       // a pty at full speed
        QCOMPARE(ReadGathering::gatherMs(at921600, 300, 1, false), 0);   // a key's echo
        QCOMPARE(ReadGathering::gatherMs(at921600, -1, 3000, false), 0); // the first read
    }

private:
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TerminalFixture> m_f;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestPort)
#include "tst_port.moc"
