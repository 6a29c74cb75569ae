#include "KeyTyper.h"
#include "ProgrammerBench.h"
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "TestFiles.h"
#include "programmer/HexWriter.h"
#include "programmer/cli/ProgRun.h"
#include "serial/DeviceFactory.h"
#include "settings/frmProperties.h"
#include "terminal/TerminalView.h"

#include <QRegularExpression>
#include <QtTest>
#include <termios.h>

namespace {

using Space = SimulatedChip::Space;

// An adapter that drops one request: once armed, it lets some clock changes through and
// refuses the next one with its own reason.
class FlakyBoard : public SimulatedBoard
{
public:
    using SimulatedBoard::SimulatedBoard;
    static inline const QString kReason = QStringLiteral("adapter dropped the request");
    int passBeforeFault = -1;
    Failure setBreak(bool on) override
    {
        return passBeforeFault >= 0 && passBeforeFault-- == 0 ? kReason : SimulatedBoard::setBreak(on);
    }
};

// The terminal settings of a device the window holds open: the test runs in its process.
termios openSettings(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    termios settings{};
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == QFileInfo(path).canonicalFilePath())
            ::tcgetattr(fd.toInt(), &settings);
    return settings;
}

// The window on Com16 with the board kept in hand, its waits and the chip's needs a tenth long.
struct Window : TerminalFixture
{
    QPointer<FlakyBoard> simulated;
    Window()
    {
        waits.chipScale = 0.1;
        set(QStringLiteral("CommPort"), QStringLiteral("16"));
        board = [this] {
            auto made = std::make_unique<FlakyBoard>(chip);
            simulated = made.get();
            return made;
        };
    }
};

// Programming mode with keys typed as a user would; what the view shows afterwards.
QString console(frmTerminal &w, const QString &keys, std::function<void(int)> beforeKey = {})
{
    KeyTyper typer(w, keys);
    typer.beforeKey = std::move(beforeKey);
    QTimer::singleShot(20000, &w, [&w] { w.app().ProgMode = false; });
    w.mmuProg_Click();
    return w.viewText();
}

void verifyOnlyWholeTimelyInstructions(const SimulatedChip &chip)
{
    QCOMPARE(chip.violations(), 0);
    QCOMPARE(chip.pendingBits(), 0);
    for (const SimulatedChip::Instruction &ins : chip.instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
}

// tavro-prog's run in process against a board the test makes, waits and needs shortened alike.
struct ProgRig
{
    static constexpr Waits kWaits{10000, 1500, 0.01};
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SimulatedBoard>()> board;
    QString out, err;
    int run(const QStringList &arguments)
    {
        chip->setTimeScale(kWaits.chipScale);
        const CommandLine commandLine(QStringList{QStringLiteral("tavro-prog")} + arguments, StoredDefaults{});
        QTextStream outStream(&out), errStream(&err);
        ProgRun run(commandLine.options(), {outStream, errStream, nullptr, {}, kWaits});
        const PortChoice port{16, [this](int, QString *) { return board(); }, QStringLiteral("Com16")};
        return run.exec([&port](const QString &, QString *) { return port; });
    }
};

} // namespace

class TestProgrammingLines : public QObject
{
    Q_OBJECT
private slots:
    void everyFlowControlModeResetsAndPrograms_data();
    void everyFlowControlModeResetsAndPrograms();
    void pseudoTerminalHasNoModemLinesAndKeepsItsFlowControl();
    void lineFaultIsReportedOnceAndTheNextCommandStartsCleanly();
    void tavroProgStopsAtALineFaultAndReleasesTheTarget();
    void strictChipRefusesWhatComesTooSoon_data();
    void strictChipRefusesWhatComesTooSoon();
    void firmwareHearsNothingThroughABreak();
    void slowAdapterNeedsASettleTime_data();
    void slowAdapterNeedsASettleTime();
    void settleTimeComesFromThePortMapOrTheCommandLine();
    void propertiesRefuseWhatTheDeviceCannotDo_data();
    void propertiesRefuseWhatTheDeviceCannotDo();
};

void TestProgrammingLines::everyFlowControlModeResetsAndPrograms_data()
{
    QTest::addColumn<int>("mode");
    for (int mode : {0, 1, 2, 3})
        QTest::addRow("handshaking %d", mode) << mode;
}

void TestProgrammingLines::everyFlowControlModeResetsAndPrograms()
{
    QFETCH(int, mode);
    Window f;
    f.set(QStringLiteral("Handshaking"), QString::number(mode));
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QCOMPARE(f.simulated->format().handshaking, mode);
    // RTS/CTS is set aside only while the lines are driven; XON/XOFF stays.
    int duringPulse = -1, duringConsole = -1;
    QTimer::singleShot(5, &w, [&] { duringPulse = f.simulated->format().handshaking; });
    w.mmuReset_Click();
    QCOMPARE(duringPulse, mode & 1);
    QCOMPARE(f.chip->resetEvents().size(), std::size_t(2));

    const QString out = console(w, QStringLiteral("m10\n5A.v10\n11\nx"),
                                [&](int) { duringConsole = f.simulated->format().handshaking; });
    QCOMPARE(duringConsole, mode & 1);
    QCOMPARE(f.simulated->format().handshaking, mode);
    QVERIFY2(out.contains(QStringLiteral("\n0010 5A FF ")), qPrintable(out));
    QCOMPARE(f.chip->read(Space::Data, 0x10), quint8(0x5A));
    QVERIFY(f.messages.shown.isEmpty());
    verifyOnlyWholeTimelyInstructions(*f.chip);
    QCOMPARE(f.simulated->breaksHeard(), 0);
}

void TestProgrammingLines::pseudoTerminalHasNoModemLinesAndKeepsItsFlowControl()
{
    PtyPair pty;
    if (!pty.usable())
        return;
    TerminalFixture f;
    f.waits.chipScale = 0.1;
    f.devices[2] = pty.host();
    f.set(QStringLiteral("CommPort"), QStringLiteral("2"));
    f.set(QStringLiteral("Handshaking"), QStringLiteral("2"));
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    const auto rtsCts = [&] { return (openSettings(pty.host()).c_cflag & CRTSCTS) != 0; };
    QVERIFY(w.comm().PortOpen() && rtsCts());

    const QString noLines = pty.host() + QStringLiteral(" has no modem-control lines");
    w.mmuReset_Click();
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].text, noLines);
    QVERIFY(rtsCts());
    std::optional<bool> rtsCtsInConsole;
    const QString out = console(w, QStringLiteral("v0\n1\nx"), [&](int) { rtsCtsInConsole = rtsCts(); });
    QCOMPARE(rtsCtsInConsole, false);
    QVERIFY(rtsCts());
    QCOMPARE(out.count(noLines), 1);
}

void TestProgrammingLines::lineFaultIsReportedOnceAndTheNextCommandStartsCleanly()
{
    Window f;
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    // M at 10: the write of AB loses a clock change in its first byte; M again writes it whole.
    const QString out = console(w, QStringLiteral("m10\nABm10\nAB.x"), [&](int key) {
        if (key == 4)
            f.simulated->passBeforeFault = 5;
    });
    QCOMPARE(out.count(FlakyBoard::kReason), 1);
    QVERIFY2(out.contains("\r\n" + FlakyBoard::kReason + "\r\n"), qPrintable(out));
    QCOMPARE(f.chip->read(Space::Data, 0x10), quint8(0xAB));
    verifyOnlyWholeTimelyInstructions(*f.chip);
    std::vector<bool> edges; // held at entry, pulsed for the clean frame, released at X
    for (const SimulatedChip::LineEvent &event : f.chip->resetEvents())
        edges.push_back(event.level);
    QCOMPARE(edges, (std::vector<bool>{true, false, true, false}));
}

void TestProgrammingLines::tavroProgStopsAtALineFaultAndReleasesTheTarget()
{
    QTemporaryDir dir;
    ProgRig rig;
    rig.board = [&rig] {
        auto board = std::make_unique<FlakyBoard>(rig.chip);
        board->passBeforeFault = 1 + 48 + 48 * 5 + 7; // the hold, the enable, five bytes, into the sixth
        return board;
    };
    QCOMPARE(rig.run({"write", writeFile(dir, "p.hex", HexWriter::toIntelHex(0, QByteArray(20, 'B')))}),
             int(kPortFailure));
    QCOMPARE(rig.err, "tavro-prog: Com16: " + FlakyBoard::kReason + "\n");
    QCOMPARE(rig.chip->memory(Space::Program).count('B'), 5);
    QVERIFY(!rig.chip->inReset());
}

void TestProgrammingLines::strictChipRefusesWhatComesTooSoon_data()
{
    QTest::addColumn<int>("skipped"); // the first byte of the instruction whose wait is left out
    QTest::addColumn<QString>("refusal");
    QTest::newRow("enable") << 0xAC << "programming enable";
    QTest::newRow("write") << 0x06 << "after a write";
    QTest::newRow("read") << 0x05 << "after a read";
}

void TestProgrammingLines::strictChipRefusesWhatComesTooSoon()
{
    QFETCH(int, skipped);
    QFETCH(QString, refusal);
    Bench b; // held in reset
    if (skipped != 0xAC)
        b.memory.ProgrammingEnable();
    b.target->setTimeScale(10); // the chip now needs 4 s before the enable, 20 ms after a write, 30 after a read
    for (quint8 byte : {quint8(skipped), quint8(skipped == 0xAC ? 0x53 : 0x10), quint8(0x01)})
        b.driver.SendProgByte(byte); // a driver that leaves out the wait before or after it
    if (skipped != 0xAC) {
        b.memory.WriteDataMemory(0x20, 0x22);
        QCOMPARE(b.target->read(Space::Data, 0x20), SimulatedChip::kErased);
    }
    QCOMPARE(b.target->violations(), 1);
    const SimulatedChip::Instruction &late = b.target->instructions().last();
    QVERIFY(late.tooSoon && !late.accepted);
    QVERIFY2(late.refusal.contains(refusal), qPrintable(late.refusal));
}

void TestProgrammingLines::firmwareHearsNothingThroughABreak()
{
    Bench b;
    QVERIFY(!b.comm.Output(" ")); // held in reset
    // A clock that leaves break on, then reset released: what is sent is lost, the break noted.
    QVERIFY(!b.comm.setBreak(true) && !b.comm.setDTREnable(false) && !b.comm.Output(" "));
    QTest::qWait(30);
    QVERIFY(b.comm.Input().isEmpty());
    QCOMPARE(b.board->breaksHeard(), 1);
    QByteArray heard;
    b.control.release();
    QVERIFY(!b.comm.Output(" "));
    QTRY_VERIFY((heard += b.comm.Input()).contains(SimulatedBoard::kBanner));
}

void TestProgrammingLines::slowAdapterNeedsASettleTime_data()
{
    QTest::addColumn<int>("settleUs");
    QTest::newRow("none") << 0;
    QTest::newRow("the adapter's latency") << 1000;
}

void TestProgrammingLines::slowAdapterNeedsASettleTime()
{
    QFETCH(int, settleUs);
    QTemporaryDir dir;
    const QByteArray image = QByteArray::fromHex("5AA53C0FF01234C3");
    const QString file = writeFile(dir, "p.hex", HexWriter::toIntelHex(0x100, image));
    ProgRig rig;
    rig.chip->setTracing(true);
    rig.board = [&rig] {
        auto board = std::make_unique<SimulatedBoard>(rig.chip);
        board->setAdapterLatency(std::chrono::milliseconds(1));
        return board;
    };
    const int status = rig.run({"--verbose", "--settle-us", QString::number(settleUs), "write", file});
    // The writes reach the chip late but whole; without a settle time CTS is read too early.
    QCOMPARE(rig.chip->memory(Space::Program).mid(0x100, image.size()), image);
    verifyOnlyWholeTimelyInstructions(*rig.chip);
    QVERIFY(!rig.chip->inReset());
    if (settleUs == 0) {
        QCOMPARE(status, int(kDiffers));
        const QRegularExpression listed(
            "Verify failed: [1-8] of 8 bytes.*\n  010[0-7]     [0-9A-F]{2}    [0-9A-F]{2}\n",
            QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(rig.out.contains(listed), qPrintable(rig.out));
        return;
    }
    QCOMPARE(status, int(kDone));
    const std::vector<SimulatedChip::LineEvent> &trace = rig.chip->trace();
    for (std::size_t i = 1; i < trace.size(); ++i)
        QVERIFY2(trace[i].atNs - trace[i - 1].atNs >= settleUs * 1000, qPrintable(QString::number(i)));
    // A level already on the line is not set again: fewer than the 72 of setting every bit.
    for (const char *step : {"write", "verify"}) {
        const QRegularExpression line(QStringLiteral("%1: 8 bytes, ([0-9.]+) line operations a byte").arg(step));
        const double perByte = line.match(rig.out).captured(1).toDouble();
        QVERIFY2(perByte >= 48 && perByte < 72, qPrintable(rig.out));
    }
}

void TestProgrammingLines::settleTimeComesFromThePortMapOrTheCommandLine()
{
    QTemporaryDir dir;
    const PortMap map(writeFile(dir, "ports.ini", "[Ports]\nCom3=/dev/null\ncom3settleus=1500\nCom4SettleUs=x\n"));
    QString error;
    QCOMPARE(makeDeviceFactory(map, std::make_shared<SimulatedChip>())(3, &error)->settleUs(), 1500);
    QCOMPARE(map.settleUs(4), 0);
    QCOMPARE(CommandLine({"tavro-prog", "--settle-us", "250", "write", "a"}, {}).options().settleUs, 250);
}

void TestProgrammingLines::propertiesRefuseWhatTheDeviceCannotDo_data()
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

void TestProgrammingLines::propertiesRefuseWhatTheDeviceCannotDo()
{
    QFETCH(QString, settings);
    QFETCH(int, mode);
    QFETCH(QString, refusal);
    PtyPair pty;
    if (!pty.usable())
        return;
    TerminalFixture f;
    f.devices[2] = pty.host();
    frmTerminal &w = f.start();
    const QPointer<frmProperties> d = &w.propertiesDialog();
    d->cboPort->setCurrentIndex(1);
    d->cboDataBits->setCurrentText(settings.section(',', 2, 2));
    d->cboStopBits->setCurrentText(settings.section(',', 3, 3));
    d->optFlow[mode]->setChecked(true);
    if (refusal.isEmpty()) {
        QVERIFY(d->cmdOK_Click());
        QCOMPARE(f.get(QStringLiteral("Settings")), settings);
        w.mnuOpen_Click();
        QVERIFY2(w.comm().PortOpen(), qPrintable(f.messages.shown.value(0).text));
        QTEST(uint(openSettings(pty.host()).c_cflag & (CSTOPB | CRTSCTS)), "cflags");
        QTEST(uint(openSettings(pty.host()).c_iflag & (IXON | IXOFF)), "iflags");
        return;
    }
    QVERIFY(!d->cmdOK_Click());
    QCOMPARE(f.messages.shown.value(0).text, pty.host() + ": " + refusal);
    QCOMPARE(f.get(QStringLiteral("Settings")), QStringLiteral("<none>"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(d); // the dialog stays
}

QTEST_MAIN(TestProgrammingLines)
#include "tst_programming_lines.moc"
