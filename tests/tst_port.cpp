// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyTyper.h"
#include "PtyPair.h"
#include "TerminalFixture.h"

#include <QtTest>

// The terminal on a real serial control over pseudo-terminals: keys out and text in through the
// window; a device that goes away while open (idle, during a transfer and in programming mode) and
// comes back, on the session alone.
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
        QVERIFY(w.session().comm().PortOpen());
        auto board = m_pty->openBoard();
        QVERIFY(board);
        const QString log = m_dir.filePath(QStringLiteral("bytes.log"));
        m_f->files.choices.push_back(log);
        w.mnuOpenLog_Click();

        QTest::keyClicks(w.view(), "hi");
        QTest::keyClick(w.view(), Qt::Key_Return);
        QByteArray got;
        QTRY_VERIFY((got += board->readAll()).size() >= 3);
        QCOMPARE(got, QByteArray("hi\r")); // Enter is CR alone
        QCOMPARE(w.session().text().text(), QString());

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

    void lossDuringTransferIsShownOnceAndThePortComesBack()
    {
        if (!m_pty->usable())
            return;
        m_f->set("LineDelayCheck", "1");
        m_f->set("LineDelayValue", "50");
        TerminalSession &s = m_f->openSession(2);
        const QString log = m_dir.filePath(QStringLiteral("session.log"));
        m_f->files.choices.push_back(log);
        s.mnuOpenLog_Click();
        QByteArray text, shown;
        for (int i = 0; i < 60; ++i) { // three seconds of line pauses
            text += "line " + QByteArray::number(i) + '\r';
            shown += "line " + QByteArray::number(i) + "\r\n";
        }
        s.setLastTextFile(writeFile(m_dir, "lines.txt", text));
        auto board = m_pty->openBoard();
        board->write("before\r");
        QTRY_COMPARE(s.text().text(), QStringLiteral("before\r\n"));
        QTimer::singleShot(300, [&] {
            m_pty->unplug();
            board.reset();
        });
        s.mmuResendTextFile(); // returns when the transfer has ended
        QVERIFY(!heldOpen(s.lastTextFile()));
        QTRY_VERIFY(!s.comm().PortOpen());
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
        QTRY_VERIFY(s.comm().PortOpen());
        QCOMPARE(m_f->status, QStringLiteral("Settings: 9600,n,8,1 (reconnected)"));
        QVERIFY(commandStates(s.facts()).ResendTextFile);
        board = m_pty->openBoard();
        board->write("after\r");
        QTRY_VERIFY(fileContents(log).startsWith("before\r\nafter\r\n"));
        PropertyValues values = s.propertiesModel().values(); // no pauses now: echoes overtake the sender
        values.chkLineDelay = 0;
        s.propertiesModel().edit(values);
        QByteArray got;
        connect(board.get(), &QSerialPort::readyRead, [&] {
            const QByteArray bytes = board->readAll();
            got += bytes;
            board->write(bytes);
        });
        s.mmuResendTextFile();
        QTRY_COMPARE(got, text);
        QTRY_COMPARE(fileContents(log), "before\r\nafter\r\n" + shown);
        QCOMPARE(m_f->shownTexts().size(), 1);
        QCOMPARE(m_f->status, QStringLiteral("Settings: 9600,n,8,1"));
    }

    void lossInProgrammingModeLeavesItWithResetReleased()
    {
        m_f->waits.chipScale = 0.3;
        TerminalSession &s = m_f->openSession(16);
        QVERIFY(s.comm().PortOpen());
        // V 0 Enter 07FF: a listing of the whole data memory, pulled out in the middle.
        KeyTyper typer(s, QStringLiteral("v0\n07FF"));
        bool heldInReset = false;
        QTimer unplugger;
        connect(&unplugger, &QTimer::timeout, [&] {
            if (!s.text().text().contains(QStringLiteral("0020 ")))
                return;
            unplugger.stop();
            heldInReset = m_f->chip->inReset();
            m_f->simulatedBoard()->unplug();
        });
        unplugger.start(5);
        QTimer::singleShot(20000, [&] { s.app().ConsoleKey = 'x'; }); // the test must end
        s.mmuProg_Click();                                            // returns when programming mode has ended
        QVERIFY(heldInReset);
        QVERIFY(!s.app().ProgMode);
        QCOMPARE(m_f->shownTexts().size(), 1);
        QVERIFY2(m_f->shownTexts()[0].contains(QStringLiteral("Built-in simulated board")),
                 qPrintable(m_f->shownTexts()[0]));
        QVERIFY(!s.comm().PortOpen());
        QVERIFY(commandStates(s.facts()).Properties); // menus and toolbar are back

        // Plugged in again: the port comes back with the chip running, not held in reset.
        m_f->simulatedBoard()->plugIn();
        QTRY_VERIFY(s.comm().PortOpen());
        QVERIFY(!m_f->chip->inReset());
        s.txtTerm_KeyPress(' ');
        QTRY_VERIFY(s.text().text().contains(QStringLiteral("Tavro simulated board ready")));
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
        s.mnuOpenLog_Click();
        const auto descriptors = [] { return QDir("/proc/self/fd").count(); };
        const qsizetype before = descriptors();
        QByteArray logged;
        for (int cycle = 0; cycle < 20; ++cycle) {
            QVERIFY(s.comm().PortOpen() && s.comm().format().settingsText() == "19200,n,8,2");
            auto board = m_pty->openBoard();
            board->write("cycle " + QByteArray::number(cycle) + '\r');
            logged += "cycle " + QByteArray::number(cycle) + "\r\n";
            QTRY_COMPARE(fileContents(log), logged);
            board.reset();
            m_pty->unplug();
            QTRY_VERIFY(s.waitsForDevice());
            QCOMPARE(s.txtTerm_KeyPress('a'), TerminalSession::Key::Refused); // nothing is sent while away
            QVERIFY(m_pty->plugIn());
            QTRY_VERIFY(s.comm().PortOpen());
        }
        QVERIFY(descriptors() <= before);       // none leaked
        QVERIFY(m_f->messages.shown.isEmpty()); // waiting is shown in the status bar only

        // Closed by the user while waiting or before the loss, moved to another number while
        // waiting, or reconnection turned off (the loss is then a message): never reopened by itself.
        for (const QString way : {"close while waiting", "close first", "move while waiting", "turn off"}) {
            if (way == "close first")
                s.mnuOpen_Click();
            if (way == "turn off")
                QVERIFY(!s.setReconnectAutomatically(false) && m_f->get("AutoReconnect") == "False");
            m_pty->unplug();
            if (way.endsWith("while waiting")) {
                QTRY_VERIFY(s.waitsForDevice());
                way == "move while waiting" ? (void)s.choosePort(1) : s.mnuOpen_Click();
            }
            QVERIFY(m_pty->plugIn());
            QTest::qWait(3 * Reconnection::kLookEveryMs);
            QVERIFY(!s.comm().PortOpen() && !s.waitsForDevice());
            QCOMPARE(m_f->messages.shown.size(), way == "turn off" ? 1 : 0);
            if (way == "move while waiting")
                QVERIFY(!s.choosePort(2));
            s.mnuOpen_Click();
        }
        QCOMPARE(fileContents(log), logged);
    }

    void aStreamIsReadInGulpsWholeAndInOrder()
    {
        if (!m_pty->usable())
            return;
        QtSerialDevice device(m_pty->host());
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
    }

    void aGulpNeverOutlastsThreeQuartersOfTheLineBuffer()
    {
        const qint64 at921600 = 92160, at3M = 300000, pty = 92160;
        QCOMPARE(QtSerialDevice::gatherMs(at921600, 30, 2763, true), 33); // a steady stream
        QCOMPARE(QtSerialDevice::gatherMs(at3M, 1, 62, false), 10);       // a small read is no rate
        QCOMPARE(QtSerialDevice::gatherMs(960, 10, 1, false), 34);        // a slow trickle: a frame
        QCOMPARE(QtSerialDevice::gatherMs(pty, 0, 4095, false), 0);       // a pty at full speed
        QCOMPARE(QtSerialDevice::gatherMs(at921600, 300, 1, false), 0);   // a key's echo
        QCOMPARE(QtSerialDevice::gatherMs(at921600, -1, 3000, false), 0); // the first read
    }

    void anAdapterIsKnownByItsStableLink()
    {
        // A USB adapter may come back under another tty; its link in /dev/serial/by-id follows it.
        QTemporaryDir byId;
        const QString link = byId.filePath("usb-FTDI_FT232R_USB_UART_A1B2-if00-port0");
        QVERIFY(QFile::link(m_pty->host(), link) && QFile::link("/dev/null", byId.filePath("usb-other")));
        QCOMPARE(QtSerialDevice::stableLink(m_pty->host(), byId.path()), link);
        QCOMPARE(QtSerialDevice::stableLink(m_pty->board(), byId.path()), QString());
    }

private:
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TerminalFixture> m_f;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestPort)
#include "tst_port.moc"
