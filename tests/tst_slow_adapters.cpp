#include "FlakyBoard.h"
#include "ProgrammerBench.h"
#include "TestFiles.h"
#include "programmer/HexWriter.h"
#include "programmer/cli/ProgRun.h"
#include "serial/DeviceFactory.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

using Space = SimulatedChip::Space;

// tavro-prog's run in process against a board the test makes, waits and needs shortened alike.
struct ProgRig
{
    static constexpr Waits kWaits{10000, 1500, 0.01};
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SimulatedBoard>()> board = [this] { return std::make_unique<SimulatedBoard>(chip); };
    QString out, err;

    int run(const QStringList &arguments)
    {
        chip->setTimeScale(kWaits.chipScale);
        const CommandLine commandLine(QStringList{QStringLiteral("tavro-prog")} + arguments, StoredDefaults{});
        if (commandLine.error())
            return -1;
        QTextStream outStream(&out), errStream(&err);
        ProgRun run(commandLine.options(), {outStream, errStream, nullptr, {}, kWaits});
        const PortChoice port{16, [this](int, QString *) { return board(); }, QStringLiteral("Com16")};
        return run.exec([&port](const QString &, QString *) { return port; });
    }
};

double figure(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern).match(text).captured(1).toDouble();
}

} // namespace

class TestSlowAdapters : public QObject
{
    Q_OBJECT
private slots:
    void strictChipRefusesWhatComesTooSoon_data();
    void strictChipRefusesWhatComesTooSoon();
    void firmwareHearsNothingThroughABreak();
    void latencyNeedsASettleTime_data();
    void latencyNeedsASettleTime();
    void tavroProgCountsItsLineOperations();
    void tavroProgStopsAtALineFaultAndReleasesTheTarget();
    void settleTimeComesFromThePortMapOrTheCommandLine();
};

void TestSlowAdapters::strictChipRefusesWhatComesTooSoon_data()
{
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("enable") << "enable"
                            << "programming enable";
    QTest::newRow("write") << "write"
                           << "after a write";
    QTest::newRow("read") << "read"
                          << "after a read";
}

void TestSlowAdapters::strictChipRefusesWhatComesTooSoon()
{
    QFETCH(QString, skipped);
    QFETCH(QString, refusal);
    Bench b; // held in reset; the chip needs 4 ms before the enable, the driver waits 5
    LineDriver &d = b.driver;
    if (skipped == "enable") {
        for (quint8 byte : {0xAC, 0x53, 0x01})
            d.SendProgByte(byte);
    } else {
        b.memory.ProgrammingEnable();
        b.target->setTimeScale(10); // the chip now needs 20 ms after a write, 30 after a read
        for (quint8 byte : {quint8(skipped == "write" ? 0x06 : 0x05), quint8(0x10), quint8(0x11)})
            d.SendProgByte(byte); // a driver that leaves out the wait that follows
        b.memory.WriteDataMemory(0x20, 0x22);
        QCOMPARE(b.target->read(Space::Data, 0x20), SimulatedChip::kErased);
    }
    QCOMPARE(b.target->violations(), 1);
    const SimulatedChip::Instruction &late = b.target->instructions().last();
    QVERIFY(late.tooSoon && !late.accepted);
    QVERIFY2(late.refusal.contains(refusal), qPrintable(late.refusal));
}

void TestSlowAdapters::firmwareHearsNothingThroughABreak()
{
    Bench b;
    QByteArray heard;
    const auto answer = [&] {
        QTest::qWait(30);
        return heard += b.comm.Input();
    };
    QVERIFY(!b.comm.Output(" ") && answer().isEmpty()); // held in reset
    // A clock that leaves break on, then reset released: what is sent is lost, the break noted.
    QVERIFY(!b.comm.setBreak(true) && !b.comm.setDTREnable(false));
    QVERIFY(!b.comm.Output(" ") && answer().isEmpty());
    QCOMPARE(b.board->breaksHeard(), 1);
    b.control.release();
    QVERIFY(!b.comm.Output(" "));
    QTRY_VERIFY((heard += b.comm.Input()).contains(SimulatedBoard::kBanner));
}

void TestSlowAdapters::latencyNeedsASettleTime_data()
{
    QTest::addColumn<int>("settleUs");
    QTest::addColumn<int>("status");
    QTest::newRow("no settle time") << 0 << int(kDiffers);
    QTest::newRow("settle time of the latency") << 1000 << int(kDone);
}

void TestSlowAdapters::latencyNeedsASettleTime()
{
    QFETCH(int, settleUs);
    QFETCH(int, status);
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
    QElapsedTimer took;
    took.start();
    QCOMPARE(rig.run({"--settle-us", QString::number(settleUs), "write", file}), status);
    QVERIFY2(took.elapsed() < 30000, qPrintable(QString::number(took.elapsed())));
    // The writes reach the chip late but whole; without a settle time CTS is read too early.
    QCOMPARE(rig.chip->memory(Space::Program).mid(0x100, image.size()), image);
    QCOMPARE(rig.chip->violations(), 0);
    QVERIFY(!rig.chip->inReset());
    if (status == kDiffers) {
        QVERIFY2(rig.out.contains(QRegularExpression("Verify failed: [1-8] of 8 bytes")), qPrintable(rig.out));
        QVERIFY2(rig.out.contains(QRegularExpression("\n  0100     [0-9A-F]{2}    5A\n")), qPrintable(rig.out));
        return;
    }
    QVERIFY2(rig.out.contains("Verified 8 bytes"), qPrintable(rig.out + rig.err));
    const std::vector<SimulatedChip::LineEvent> &trace = rig.chip->trace();
    for (std::size_t i = 1; i < trace.size(); ++i)
        QVERIFY2(trace[i].atNs - trace[i - 1].atNs >= settleUs * 1000, qPrintable(QString::number(i)));
}

void TestSlowAdapters::tavroProgCountsItsLineOperations()
{
    QTemporaryDir dir;
    QByteArray image(64, 0);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 37 + 11);
    ProgRig rig;
    QCOMPARE(rig.run({"--verbose", "--data", "write", writeFile(dir, "d.hex", HexWriter::toIntelHex(0, image))}),
             int(kDone));
    QVERIFY2(rig.out.startsWith("Settle time: 0 us after every line change.\n"), qPrintable(rig.out));
    // 72 a byte if every bit set RTS; a level already on the line is not set again.
    const double written = figure(rig.out, "write: 64 bytes, ([0-9.]+) line operations a byte");
    const double read = figure(rig.out, "verify: 64 bytes, ([0-9.]+) line operations a byte");
    QVERIFY2(written >= 48 && written < 72, qPrintable(rig.out));
    QVERIFY2(read >= 56 && read < 72, qPrintable(rig.out));
    QCOMPARE(rig.chip->violations(), 0);
    for (const SimulatedChip::Instruction &ins : rig.chip->instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
}

void TestSlowAdapters::tavroProgStopsAtALineFaultAndReleasesTheTarget()
{
    QTemporaryDir dir;
    ProgRig rig;
    rig.chip->setTracing(true);
    rig.board = [&rig] {
        auto board = std::make_unique<FlakyBoard>(rig.chip);
        board->passBeforeFault = 48 + 48 * 5 + 7; // the enable, five bytes, into the sixth
        return board;
    };
    const QString file = writeFile(dir, "p.hex", HexWriter::toIntelHex(0, QByteArray(20, char(0x42))));
    QCOMPARE(rig.run({"write", file}), int(kPortFailure));
    QCOMPARE(rig.err, "tavro-prog: Com16: " + FlakyBoard::kReason + "\n");
    std::map<SimulatedChip::Line, bool> last;
    for (const SimulatedChip::LineEvent &event : rig.chip->trace())
        last[event.line] = event.level;
    QVERIFY(!last[SimulatedChip::Line::Reset] && !last[SimulatedChip::Line::Clock] && !last[SimulatedChip::Line::Data]);
}

void TestSlowAdapters::settleTimeComesFromThePortMapOrTheCommandLine()
{
    QTemporaryDir dir;
    const PortMap map(writeFile(dir, "ports.ini", "[Ports]\nCom3=/dev/null\ncom3settleus=1500\nCom4SettleUs=x\n"));
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/null"));
    QCOMPARE(map.settleUs(3), 1500);
    QCOMPARE(map.settleUs(4), 0);
    QString error;
    QCOMPARE(makeDeviceFactory(map, std::make_shared<SimulatedChip>())(3, &error)->settleUs(), 1500);
    const CommandLine given({"tavro-prog", "--settle-us", "250", "write", "a.hex"}, StoredDefaults{});
    QCOMPARE(given.options().settleUs, std::optional<int>(250));
    const CommandLine wrong({"tavro-prog", "--settle-us", "-1", "write", "a.hex"}, StoredDefaults{});
    QVERIFY(wrong.error() && wrong.error()->contains("--settle-us"));
}

QTEST_MAIN(TestSlowAdapters)
#include "tst_slow_adapters.moc"
