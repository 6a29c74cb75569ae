// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyTyper.h"
#include "ProgrammerBench.h"
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "programmer/IntelHex.h"
#include "settings/frmProperties.h"

#include <QComboBox>
#include <QtTest>
#include <termios.h>

using Space = SimulatedChip::Space;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString banner(bool data)
{
    return kCrLf + "Console mode - use HEX" + kCrLf + (data ? "Data memory space" : "Program memory space")
           + "Commands  M, P, D, X, V, H, ?" + kCrLf;
}

QColor colour(frmTerminal &w, QPalette::ColorRole role)
{
    return w.view()->palette().color(role);
}

// The terminal settings of a device the window holds open: the test runs in its process.
termios openSettings(const QString &path)
{
    termios settings{};
    ::tcgetattr(openDescriptor(path), &settings);
    return settings;
}

} // namespace

// Programming mode as a user drives it: keys typed into the view against the simulated board,
// the console's output read back from the log, which takes it byte for byte.
class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<TerminalFixture>();
        m_f->waits.chipScale = 0.1; // the programmer's waits and the chip's needs a tenth long
        m_f->board = [this] {
            auto board = std::make_unique<FlakyBoard>(m_f->chip);
            m_board = board.get();
            return board;
        };
    }

    void bannerHelpAndSpaceCommands()
    {
        const QString help =
            kCrLf + "Help: - " + kCrLf + "M - Modify a byte or bytes in the current memory space" + kCrLf
            + "P - Select current space as Program or Code space" + kCrLf + "D - Select current space as Data space"
            + kCrLf + "X - Exit Console mode" + kCrLf + "V - View memory area as address;bytes;ascii" + kCrLf
            + "H - Hex download. Programms selected memory area using hex file" + kCrLf + "? - This" + kCrLf;
        const QString expected = banner(true)                                            // on entry
                                 + banner(true) + help + banner(true)                    // ?
                                 + banner(true) + "Program memory space" + banner(false) // p
                                 + banner(false)                                         // z
                                 + banner(false)                                         // Enter
                                 + banner(false) + "Data memory space" + banner(true)    // D
                                 + banner(true);                                         // x
        QCOMPARE(runConsole(QStringLiteral("?pz\nDx")), expected);
    }

    void enteringAndLeavingSetColoursAndReleaseTheTarget()
    {
        frmTerminal &w = start();
        m_f->chip->setTracing(true);
        QColor bgInside, textInside, textAfterP;
        bool resetInside = false;
        runConsole(QStringLiteral("Pm10\n5A.x"), [&](int index) {
            if (index == 0) {
                bgInside = colour(w, QPalette::Base);
                textInside = colour(w, QPalette::Text);
                resetInside = m_f->chip->inReset();
            } else if (index == 1) {
                textAfterP = colour(w, QPalette::Text);
            }
        });
        QVERIFY(bgInside == Qt::black && textInside == QColor(255, 255, 255) && textAfterP == QColor(255, 255, 0));
        QVERIFY(resetInside);
        QCOMPARE(colour(w, QPalette::Base), QApplication::palette().color(QPalette::Base));
        QCOMPARE(colour(w, QPalette::Text), QColor(0, 0, 255));
        QVERIFY(linesReleased(*m_f->chip));       // by X
        QVERIFY(!m_f->session->facts().progMode); // the next entry starts in data memory, white on black
        QColor textNextTime;
        runConsole(QStringLiteral("x"), [&](int) { textNextTime = colour(w, QPalette::Text); });
        QCOMPARE(textNextTime, QColor(255, 255, 255));
    }

    void viewListsAlignedRows()
    {
        start();
        // Data memory 0x00..0x1F holds its own address, except 0x0E = 0x1F and 0x0F = 0x7E:
        // in the ASCII column 31 shows as its character, 126 as a dot.
        for (int a = 0; a < 0x20; ++a)
            QVERIFY(!m_f->chip->poke(Space::Data, a, quint8(a)));
        QVERIFY(!m_f->chip->poke(Space::Data, 0x0E, 0x1F));
        QVERIFY(!m_f->chip->poke(Space::Data, 0x0F, 0x7E));
        const QString out = runConsole(QStringLiteral("v5\n12\nv10\n11\nx"));
        const QString partialFirstRow = kCrLf + "0005 05 06 07 08 09 0A 0B 0C 0D 1F 7E " + QString(20, ' ')
                                        + QString(9, '.') + QChar(0x1F) + "." + kCrLf + "0010 10 11 12 "
                                        + QString(44, ' ') + "..." + kCrLf;
        const QString alignedStart =
            kCrLf + "0010 " + QString(53, ' ') + kCrLf + "0010 10 11 " + QString(47, ' ') + ".." + kCrLf;
        QVERIFY2(out.contains(partialFirstRow) && out.contains(alignedStart), qPrintable(out));
        QVERIFY(out.contains(kCrLf + "Start Address  (return for 0):")
                && out.contains(kCrLf + "End Address  (return for 0):"));
    }

    void viewAndModifyStayInsideTheSpace()
    {
        start();
        // V: the listing stops at 07FF; Enter keeps both defaults; a start past the space is refused.
        // M: data 1000 starts at 07FF, n and a write there stay; program 2000 starts at 1FFF.
        // An address that is no hex number is refused twice over, and reaches no chip.
        const QString out = runConsole(QStringLiteral("v7FE\n900\nv\n\nv800\n900\nm1000nAB.pm2000n.mnm1G\nx"));
        QVERIFY2(out.contains(kCrLf + "07FE FF FF " + QString(47, ' ') + ".." + kCrLf), qPrintable(out));
        QCOMPARE(out.count(kCrLf + "07FE FF FF "), 2);
        QVERIFY(out.contains(kCrLf + "Maximum address is H7ff" + kCrLf));
        QVERIFY(out.contains(kCrLf + "Maximum data address is H7ff" + kCrLf + "07FF : FF \".\" >" + kCrLf
                             + "07FF : FF \".\" >" + kCrLf + "07FF : AB \".\" >"));
        QVERIFY(out.contains(kCrLf + "Maximum programm address is H1fff" + kCrLf + "1FFF : FF \".\" >" + kCrLf
                             + "1FFF : FF \".\" >"));
        QCOMPARE(out.count(kCrLf + "Address  (return for 1FFF):" + "Invalid Hex " + kCrLf + kCrLf + "Invalid hex"), 2);
        QCOMPARE(m_f->chip->read(Space::Data, 0x7FF), quint8(0xAB));
        for (const auto &ins : m_f->chip->instructions()) {
            const bool data = ins.op == SimulatedChip::Op::ReadData || ins.op == SimulatedChip::Op::WriteData;
            QVERIFY(ins.address <= (data ? 0x7FF : 0x1FFF));
        }
        verifyOnlyWholeTimelyInstructions(*m_f->chip);
    }

    void modifyStepsWritesAndFinishes()
    {
        start();
        QVERIFY(!m_f->chip->poke(Space::Program, 0x100, 0x3F));
        QVERIFY(!m_f->chip->poke(Space::Program, 0x101, 0x20));
        QVERIFY(!m_f->chip->poke(Space::Program, 0x102, 0x21));
        // p to program memory; M at 100: write 12, previous, next, next, write 00 at 102, Enter, finish.
        const QString out = runConsole(QStringLiteral("pm100\n12pnn00\n.m\n.x"));
        const QString commands = kCrLf + "Commands - \"n\"-next, \"p\"-prevoius, \".\"-finish \"CR\" - re-fetch byte";
        const QString steps = kCrLf + "0100 : 3F \"?\" >" + kCrLf + "0101 : 20 \".\" >" + kCrLf + "0100 : 12 \".\" >"
                              + kCrLf + "0101 : 20 \".\" >" + kCrLf + "0102 : 21 \"!\" >" + kCrLf + "0103 : FF \".\" >"
                              + kCrLf + "0103 : FF \".\" >";
        QVERIFY2(out.contains(commands + kCrLf + "Address  (return for 0):" + steps + banner(false)), qPrintable(out));
        QCOMPARE(m_f->chip->read(Space::Program, 0x100), quint8(0x12));
        QCOMPARE(m_f->chip->read(Space::Program, 0x102), quint8(0x00));
        QVERIFY(out.contains(kCrLf + "Address  (return for 103):" + kCrLf + "0103 : FF")); // M's next start
        verifyOnlyWholeTimelyInstructions(*m_f->chip);
    }

    void resetPulsesDtrThenSendsOneSpace()
    {
        frmTerminal &closed = m_f->start(16);
        closed.mmuReset_Click(); // with the port closed no space goes out
        QTest::qWait(30);
        QVERIFY(m_f->session->text().isEmpty() && m_f->messages.shown.isEmpty());
        m_f->waits.chipScale = 1; // the pulse at its real length, timed on the chip's own clock
        frmTerminal &w = start();
        m_f->chip->setTimeScale(1);
        const qint64 before = m_f->chip->nowNs();
        w.mmuReset_Click();
        const auto &events = m_f->chip->resetEvents();
        QCOMPARE(events.size(), std::size_t(2)); // the closed port pulsed nothing
        QVERIFY(events[0].level && !events[1].level);
        const double pulseMs = (events[1].atNs - events[0].atNs) / 1e6;
        QVERIFY2(pulseMs >= 99 && pulseMs < 1000, qPrintable(QString::number(pulseMs)));
        QVERIFY((m_f->chip->nowNs() - events[1].atNs) / 1e6 >= 499 && events[0].atNs >= before);
        // The firmware heard exactly one space: its banner, once, and no key shown in the view.
        QTRY_COMPARE(m_f->session->text(), QString::fromLatin1(" " + SimulatedBoard::kBanner));
    }

    void everyFlowControlModeResetsAndPrograms_data()
    {
        QTest::addColumn<int>("mode");
        for (int mode : {0, 1, 2, 3})
            QTest::addRow("handshaking %d", mode) << mode;
    }

    void everyFlowControlModeResetsAndPrograms()
    {
        QFETCH(int, mode);
        m_f->set(QStringLiteral("Handshaking"), QString::number(mode));
        TerminalSession &w = m_f->openSession(16);
        QCOMPARE(m_board->format().handshaking, mode);
        // RTS/CTS is set aside only while the lines are driven; XON/XOFF stays.
        int duringPulse = -1, duringConsole = -1;
        QTimer::singleShot(5, &w, [&] { duringPulse = m_board->format().handshaking; });
        w.resetTarget();
        QCOMPARE(duringPulse, mode & 1);
        QCOMPARE(m_f->chip->resetEvents().size(), std::size_t(2));
        const QString out = runConsole(QStringLiteral("m10\n5A.v10\n11\nx"),
                                       [&](int) { duringConsole = m_board->format().handshaking; });
        QCOMPARE(duringConsole, mode & 1);
        QCOMPARE(m_board->format().handshaking, mode);
        QVERIFY2(out.contains(QStringLiteral("\n0010 5A FF ")), qPrintable(out));
        QVERIFY(m_f->messages.shown.isEmpty());
        verifyOnlyWholeTimelyInstructions(*m_f->chip);
        QCOMPARE(m_board->breaksHeard(), 0);
    }

    void lineFaultIsReportedOnceAndTheNextCommandStartsCleanly()
    {
        start();
        // M at 10: the write of AB loses a clock change in its first byte; M again writes it whole.
        const QString out = runConsole(QStringLiteral("m10\nABm10\nAB.x"), [&](int key) {
            if (key == 4)
                m_board->passBeforeFault = 5;
        });
        QCOMPARE(out.count(FlakyBoard::kReason), 1);
        QVERIFY2(out.contains(kCrLf + FlakyBoard::kReason + kCrLf), qPrintable(out));
        QCOMPARE(m_f->chip->read(Space::Data, 0x10), quint8(0xAB));
        verifyOnlyWholeTimelyInstructions(*m_f->chip);
        std::vector<bool> edges; // held at entry, pulsed for the clean frame, released at X
        for (const SimulatedChip::LineEvent &event : m_f->chip->resetEvents())
            edges.push_back(event.level);
        QCOMPARE(edges, (std::vector<bool>{true, false, true, false}));
    }

    void pseudoTerminalHasNoModemLinesAndKeepsItsFlowControl()
    {
        PtyPair pty;
        if (!pty.usable())
            return;
        m_f->devices[2] = pty.host();
        m_f->set(QStringLiteral("Handshaking"), QStringLiteral("2"));
        frmTerminal &w = m_f->open(2);
        const auto rtsCts = [&] { return (openSettings(pty.host()).c_cflag & CRTSCTS) != 0; };
        QVERIFY(m_f->session->facts().portOpen && rtsCts());
        const QString noLines = pty.host() + QStringLiteral(" has no modem-control lines");
        w.mmuReset_Click();
        QCOMPARE(m_f->shownTexts(), QStringList{noLines});
        QVERIFY(rtsCts());
        // "Prog" cannot hold the chip in reset: programming mode ends at once, with one message,
        // and the console never runs.
        const QString out = runConsole(QStringLiteral("v0\n1\nx"));
        QCOMPARE(m_f->shownTexts(), (QStringList{noLines, noLines}));
        QVERIFY(rtsCts() && !m_f->session->facts().progMode && m_f->session->facts().portOpen);
        QCOMPARE(out, QString());
    }

    void propertiesRefuseWhatTheDeviceCannotDo_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<uint>("cflags"); // on the open device (a pseudo-terminal keeps 8 data bits)
        QTest::addColumn<uint>("iflags");
        QTest::newRow("1.5 stop bits, 8 data bits")
            << "9600,n,8,1.5" << 0 << "1.5 stop bits go only with 5 data bits, not 8" << 0u << 0u;
        QTest::newRow("4 data bits") << "9600,n,4,1" << 0 << "4 data bits are not supported by this device" << 0u << 0u;
        QTest::newRow("1.5 stop bits, 5 data bits") << "9600,n,5,1.5" << 0 << "" << uint(CSTOPB) << 0u;
        QTest::newRow("RTS/CTS and XON/XOFF") << "9600,n,8,1" << 3 << "" << uint(CRTSCTS) << uint(IXON | IXOFF);
    }

    void propertiesRefuseWhatTheDeviceCannotDo()
    {
        QFETCH(QString, settings);
        QFETCH(int, mode);
        QFETCH(QString, refusal);
        PtyPair pty;
        if (!pty.usable())
            return;
        m_f->devices[2] = pty.host();
        frmTerminal &w = m_f->start();
        const QPointer<frmProperties> d = &w.propertiesDialog();
        d->cboPort->setCurrentIndex(1);
        d->cboDataBits->setCurrentText(settings.section(',', 2, 2));
        d->cboStopBits->setCurrentText(settings.section(',', 3, 3));
        d->optFlow[mode]->setChecked(true);
        if (refusal.isEmpty()) {
            QVERIFY(d->cmdOK_Click());
            QCOMPARE(m_f->get(QStringLiteral("Settings")), settings);
            w.menuItem("mnuOpen")->trigger();
            QVERIFY2(m_f->session->facts().portOpen, qPrintable(m_f->messages.shown.value(0).text));
            QTEST(uint(openSettings(pty.host()).c_cflag & (CSTOPB | CRTSCTS)), "cflags");
            QTEST(uint(openSettings(pty.host()).c_iflag & (IXON | IXOFF)), "iflags");
            return;
        }
        QVERIFY(!d->cmdOK_Click());
        QCOMPARE(m_f->messages.shown.value(0).text, pty.host() + ": " + refusal);
        QCOMPARE(m_f->get(QStringLiteral("Settings")), QStringLiteral("<none>"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(d); // the dialog stays
    }

    void portListStaysWhileTheConsoleRuns()
    {
        frmTerminal &w = start();
        int portDuring = 0;
        bool openAndHeld = false;
        const QString out = runConsole(QStringLiteral("v0\n1\nx"), [&](int index) {
            if (index != 1)
                return;
            emit w.findChild<QComboBox *>("cboPort")->activated(2); // the user picks Com3 in the toolbar's list
            portDuring = m_f->session->properties().port;
            openAndHeld = m_f->session->facts().portOpen && m_f->chip->inReset();
        });
        QVERIFY(portDuring == 16 && openAndHeld && m_f->messages.shown.isEmpty());
        QVERIFY2(out.contains(kCrLf + "0000 FF FF "), qPrintable(out)); // the listing still read the chip
    }

    void closingDuringADownloadReleasesTheChipBeforeAsking()
    {
        frmTerminal &w = start();
        m_board->stuck = true; // queued output that never goes: closing will ask
        const QString file = longDownload();
        m_f->messages.answers = {MessageBox::Answer::Abort};
        bool releasedWhenAsked = false;
        qint64 askedAtNs = 0;
        m_f->messages.onShow = [&] {
            releasedWhenAsked = !m_f->chip->inReset();
            askedAtNs = m_f->chip->nowNs();
        };
        QTimer closer;
        connect(&closer, &QTimer::timeout, &w, [&] {
            if (m_f->chip->memory(Space::Program).at(1) == char(0x55))
                closer.stop(), w.close();
        });
        closer.start(5);
        runConsole(QStringLiteral("ph"), {}, file);
        QTRY_COMPARE(m_f->shownTexts(), QStringList{"Data cannot be sent"});
        QVERIFY(releasedWhenAsked);
        QVERIFY(m_f->session->facts().portOpen
                && !m_f->session->facts().progMode); // Abort: the window stays, programming mode has ended
        QTest::qWait(100);
        for (const auto &ins : m_f->chip->instructions())
            QVERIFY(ins.atNs < askedAtNs); // nothing clocked into the released chip
        QCOMPARE(m_f->chip->clocksOutsideReset(), 0);
        verifyOnlyWholeTimelyInstructions(*m_f->chip);
    }

    void lossDuringADownloadSaysWhereItStopped()
    {
        TerminalSession &w = m_f->openSession(16);
        QTimer unplugger;
        connect(&unplugger, &QTimer::timeout, &w, [&] {
            if (m_f->chip->memory(Space::Program).at(3) == char(0x55))
                unplugger.stop(), m_board->unplug();
        });
        unplugger.start(5);
        runConsole(QStringLiteral("ph"), {}, longDownload());
        QCOMPARE(m_f->shownTexts().size(), 1);
        const auto match =
            QRegularExpression("\nThe HEX download stopped at address ([0-9A-F]{4})\\.$").match(m_f->shownTexts()[0]);
        // The address named is the one being written: all before it are in the chip, none after.
        const int at = match.captured(1).toInt(nullptr, 16);
        const QByteArray memory = m_f->chip->memory(Space::Program);
        QVERIFY2(match.hasMatch() && at >= 3 && at < 100, qPrintable(m_f->shownTexts()[0]));
        QVERIFY(memory.left(at) == QByteArray(at, 0x55) && memory.at(at + 1) != char(0x55));
    }

private:
    frmTerminal &start() { return m_f->open(16); }

    // 55 in each of the first 100 bytes, a record each.
    QString longDownload()
    {
        QByteArray hex;
        for (int address = 0; address < 100; ++address)
            hex += IntelHex::encode({0, quint16(address), "\x55"}) + "\r\n";
        return writeFile(m_dir, "long.hex", hex);
    }

    // Runs the console on the window when the test made one, else on the session alone.
    QString runConsole(const QString &keys, std::function<void(int)> beforeKey = {}, const QString &hexFile = {})
    {
        frmTerminal *window = m_f->window.get();
        TerminalSession &s = m_f->session ? *m_f->session : m_f->openSession(16);
        const QString logPath =
            m_dir.filePath(QStringLiteral("console-%1.log").arg(QDateTime::currentMSecsSinceEpoch()));
        m_f->files.choices.push_back(logPath);
        s.openLog();
        if (!hexFile.isEmpty())
            m_f->files.choices.push_back(hexFile); // what H asks for
        KeyTyper typer(s, keys);
        typer.beforeKey = std::move(beforeKey);
        QTimer stuck; // a stuck script must not hang
        stuck.setSingleShot(true);
        connect(&stuck, &QTimer::timeout, &s, &TerminalSession::toggleProgramming);
        stuck.start(20000);
        window ? window->mmuProg_Click() : s.toggleProgramming();
        s.closeLog();
        return QString::fromLatin1(fileContents(logPath));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TerminalFixture> m_f;
    QPointer<FlakyBoard> m_board;
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
