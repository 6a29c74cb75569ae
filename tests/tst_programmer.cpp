// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgrammerBench.h"
#include "PtyPair.h"
#include "TestFiles.h"
#include "console/Module1.h"
#include "prog/ProgRun.h"
#include "programmer/ChipError.h"
#include "programmer/HexImage.h"
#include "programmer/HexWriter.h"
#include "programmer/IntelHex.h"
#include "serial/TtyDevice.h"
#include "settings/SettingsStore.h"
#include "simulator/DeviceFactory.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Space = SimulatedChip::Space;
using Op = SimulatedChip::Op;
using Cells = QMap<int, int>; // address to value

namespace {

// tavro-prog's run in process, against a board the test makes, its waits and the chip's needs
// shortened alike.
struct ProgRig
{
    static constexpr Waits kWaits{10000, 1500, 0.01};
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    std::function<std::unique_ptr<SerialDevice>()> board = [this] { return std::make_unique<SimulatedBoard>(chip); };
    ChipSession::StopRequest stop;
    QString out, err;

    int run(const QStringList &arguments)
    {
        out.clear(), err.clear();
        chip->setTimeScale(kWaits.chipScale);
        const CommandLine commandLine(QStringList{"tavro-prog"} + arguments, StoredDefaults{});
        if (commandLine.error())
            return err = *commandLine.error(), int(kBadInput);
        QTextStream outStream(&out), errStream(&err);
        ProgRun run(commandLine.options(), {outStream, errStream, nullptr, stop, kWaits});
        const PortChoice port{16, [this](int, QString *) { return board(); }, QStringLiteral("Com16")};
        return run.exec([&port](const QString &, QString *) { return port; });
    }
    int count(Op op) const
    {
        return int(std::count_if(chip->instructions().begin(), chip->instructions().end(),
                                 [op](const SimulatedChip::Instruction &i) { return i.op == op; }));
    }
};

// The built tavro-prog in a home of its own: its port map, settings and simulated chip.
struct ProgBinary
{
    QTemporaryDir home;
    QProcess process;
    QString out, err;

    ProgBinary()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        process.setProcessEnvironment(env);
    }
    QString chipFile() const { return home.filePath(".local/share/Tavro Terminal/simulated-chip/program.bin"); }
    void start(const QStringList &arguments) { process.start(QStringLiteral(TAVRO_PROG), arguments); }
    int finish()
    {
        const bool ended = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
        out = QString::fromLocal8Bit(process.readAllStandardOutput());
        err = QString::fromLocal8Bit(process.readAllStandardError());
        return ended ? process.exitCode() : -1;
    }
    int run(const QStringList &arguments) { return start(arguments), finish(); }
};

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, 0);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

bool runTool(const QStringList &command)
{
    return QProcess::execute(command.first(), command.mid(1)) == 0;
}

} // namespace

// The programmer below the window: instructions on the lines, the Intel-HEX codec, a chip and a
// board as strict as real ones, and tavro-prog.
class TestProgrammer : public QObject
{
    Q_OBJECT
private slots:
    void instructionsReachTheChipAsBytes()
    {
        for (bool inverter : {false, true}) {
            Bench b(inverter, inverter); // an inverting interface, and the setting that matches it
            b.memory.ProgrammingEnable();
            b.memory.WriteDataMemory(0x7FF, 0x5A);
            QVERIFY(!b.target->poke(Space::Program, 0x1234, 0xC3));
            QCOMPARE(b.memory.ReadProgramMemory(0x1234), quint8(0xC3));
            const auto &log = b.target->instructions();
            QCOMPARE(log.size(), 3);
            QCOMPARE(log[0].op, Op::ProgrammingEnable);
            QCOMPARE(log[1].bytes, (std::array<quint8, 3>{0x3E, 0xFF, 0x5A}));
            QCOMPARE(log[2].bytes[0], quint8(0x91));
            QCOMPARE(log[2].bytes[1], quint8(0x34));
            // Addresses outside a space are refused before anything reaches the chip.
            QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.WriteProgramMemory(0x2000, 1));
            QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.WriteDataMemory(0x800, 1));
            QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.ReadDataMemory(-1));
            QCOMPARE(log.size(), 3);
            verifyOnlyWholeTimelyInstructions(*b.target);
        }
    }

    void bothReadersAgreeOnEveryRecord_data()
    {
        // The same file through the console's download and tavro-prog's reader. A fault stops the
        // console after the records before it and makes tavro-prog refuse the whole file.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Cells>("written");   // by both, or by the console before the fault
        QTest::addColumn<QString>("fault");   // in tavro-prog's reason; empty: none
        QTest::addColumn<QString>("console"); // what the console says about it
        const QByteArray data = ":0100000055AA\n", data1 = ":010001006698\n", end = ":00000001FF\n";
        const Cells at0{{0, 0x55}}, at1{{1, 0x66}};
        const auto row = [](const char *name, const QByteArray &file, const Cells &written, const char *fault,
                            const char *console) {
            QTest::newRow(name) << file << written << QString(fault) << QString(console);
        };
        row("segment 0", ":020000020000FC\n" + data + end, at0, "",
            "Extended addressing: the records that follow are based at H0");
        row("segment 0010: relocated", ":020000020010EC\n" + data + end, {{0x100, 0x55}}, "", "based at H100");
        row("linear 0", ":020000040000FA\n" + data + end, at0, "", "Extended addressing");
        row("linear 0001: beyond", ":020000040001F9\n" + data + end, {}, "data for address 10000",
            "Data for address 10000, beyond the last address 1FFF in above line");
        row("start segment (03)", ":0400000300001000E9\n" + data + end, at0, "", "Start address record skipped");
        row("start linear (05)", ":0400000500001000E7\n" + data + end, at0, "", "Start address record skipped");
        for (int type = 0; type <= 5; ++type)
            QTest::addRow("count 0, type %02d: the end", type)
                << data + IntelHex::encode({quint8(type), 0, {}}) + '\n' + data1 << at0 << ""
                << "";
        row("digits after the checksum", data1 + ":0100000055AA00\n" + end, at1, "2 digits after the checksum",
            "2 digits after the checksum in above line");
        row("short record", data1 + ":01000000\n", at1, "record too short", "Record too short");
        row("bad checksum", data1 + ":0100000055AB\n", at1, "bad checksum AB", "Check sum error in above line");
        row("non-hex digit", data1 + ":01000000G5AA\n", at1, "'G' is not a hex digit", "'G' is not a hex digit");
        row("unknown type", data1 + ":0100000755A3\n", at1, "unknown record type 07",
            "Unknown record type 07 in above line");
        row("odd digits", data1 + ":0100000055A\n", at1, "odd number", "Odd number");
        row("two values, one address", data + ":010000006699\n", at0, "address 0000 is given 66 here but 55",
            "is given 66 here");
        row("one value twice", data + data + end, at0, "", "");
        row("lower case, CR LF", ":0100000055aa\r\n:010001006698\r\n", {{0, 0x55}, {1, 0x66}}, "", "");
    }

    void bothReadersAgreeOnEveryRecord()
    {
        QFETCH(QByteArray, file);
        QFETCH(Cells, written);
        QFETCH(QString, fault);
        QFETCH(QString, console);
        const HexImage image = HexImage::parse(file, 0x1FFF);
        QCOMPARE(image.ok(), fault.isEmpty());
        if (image.ok()) {
            Cells bytes;
            for (const auto &[address, value] : image.bytes())
                bytes[int(address)] = value;
            QCOMPARE(bytes, written);
        } else {
            QVERIFY2(image.faults()[0].reason.contains(fault), qPrintable(image.faults()[0].reason));
        }
        QTemporaryDir dir;
        Bench b;
        b.app.ProgMode = true;
        b.app.DataSpace = false;
        b.file = writeFile(dir, "f.hex", file);
        Module1(b, b.app).HexDownload();
        Cells chip;
        for (const auto &ins : b.target->instructions())
            if (ins.op == Op::WriteProgram)
                chip[ins.address] = ins.value;
        QCOMPARE(chip, written);
        verifyOnlyWholeTimelyInstructions(*b.target);
        QVERIFY2(b.screen.contains(console), qPrintable(b.screen));
        QVERIFY(!b.controlsShown);
    }

    void downloadCancelEndsBetweenRecords()
    {
        // Cancelled while the second record is read (its fields echo): it is written whole, no later
        // one. Cancelled in the ':' search (junk between records): nothing more, and the download
        // still closes: controls hidden, RTS released.
        for (const bool inRecord : {true, false}) {
            QTemporaryDir dir;
            Bench b;
            b.app.ProgMode = true;
            b.target->setTracing(true);
            b.file = writeFile(dir, "f.hex", QByteArray(":0100000055AA\n junk \n:010001006698\n:010002007786\n"));
            int pairs = 0, searched = 0;
            b.onPrint = [&](const QString &) { b.app.CancelSend = b.app.CancelSend || (inRecord && ++pairs == 9); };
            b.onProgress = [&] { b.app.CancelSend = b.app.CancelSend || (!inRecord && ++searched == 6); };
            Module1(b, b.app).HexDownload();
            QCOMPARE(b.target->read(Space::Data, 1), inRecord ? quint8(0x66) : SimulatedChip::kErased);
            QCOMPARE(b.target->read(Space::Data, 2), SimulatedChip::kErased);
            QVERIFY(!b.controlsShown);
            QVERIFY(linesReleased(*b.target, {SimulatedChip::Line::Data})); // RTS; reset stays held
            verifyOnlyWholeTimelyInstructions(*b.target);
        }
    }

    void strictChipRefusesWhatComesTooSoon()
    {
        // The first byte of the instruction whose wait is left out, and the chip's refusal.
        for (const auto &[skipped, refusal] :
             {std::pair{0xAC, "programming enable"}, {0x06, "after a write"}, {0x05, "after a read"}}) {
            Bench b; // held in reset
            if (skipped != 0xAC)
                b.memory.ProgrammingEnable();
            b.target->setTimeScale(
                10); // the chip now needs 4 s before the enable, 20 ms after a write, 30 after a read
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
    }

    void simulatedChipKeepsEveryByteForOneUser()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("chip"), program = folder + "/program.bin";
        const auto board = [folder](std::shared_ptr<SimulatedChip> chip) {
            auto made = std::make_unique<SimulatedBoard>(std::move(chip));
            made->keepChipIn(folder);
            return made;
        };
        auto chip = std::make_shared<SimulatedChip>();
        auto first = board(chip);
        QVERIFY(!first->open({}) && !chip->poke(Space::Program, 0x1FFF, 0x5A));
        QCOMPARE(fileContents(program).at(0x1FFF), char(0x5A)); // on disk at once, not at close
        // A second user, of this program or another, finds it busy, as a real port.
        auto second = board(std::make_shared<SimulatedChip>());
        QCOMPARE(second->open({}), Failure("Built-in simulated board: busy, another program has it open"));
        first.reset();
        QVERIFY(!second->open({}));
        QVERIFY(second->chip().read(Space::Program, 0x1FFF) == 0x5A
                && second->chip().read(Space::Data, 0) == SimulatedChip::kErased);
        second.reset();
        // A byte the disk does not take is not programmed: the run fails, nothing is "Verified".
        QVERIFY(QFile::remove(program) && QFile::link("/dev/full", program));
        ProgRig rig;
        rig.board = [&] { return board(rig.chip); };
        QCOMPARE(rig.run({"write", writeFile(dir, "p.hex", HexWriter::toIntelHex(0x10, "\x01\x02"))}),
                 int(kPortFailure));
        QVERIFY2(rig.err.contains("Built-in simulated board: the chip cannot be programmed: " + program
                                  + ": No space left on device"),
                 qPrintable(rig.err));
        QVERIFY(!rig.out.contains("Verified") && rig.chip->read(Space::Program, 0x10) != 0x01);
        // An image that cannot be read refuses the open with its reason.
        QVERIFY(QFile::remove(program) && QDir(folder).mkdir("program.bin"));
        auto refused = board(std::make_shared<SimulatedChip>());
        const Failure failure = refused->open({});
        QVERIFY(failure && failure->contains("program.bin") && !refused->isOpen());
    }

    void realFilesRoundTrip_data()
    {
        QTest::addColumn<QStringList>("tool"); // makes OUT from IN, placed at AT
        QTest::addColumn<bool>("dataSpace");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("size");
        const QStringList objcopy{"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "AT", "IN", "OUT"};
        const QStringList srec{"srec_cat", "IN", "-binary", "-offset", "AT", "-o", "OUT", "-intel"};
        QTest::newRow("objcopy, 16-byte records, whole program memory") << objcopy << false << 0 << 0x2000;
        QTest::newRow("srec_cat, 32-byte records, part of data memory") << srec << true << 0x123 << 77;
        QTest::newRow("srec_cat, 255-byte records, program end")
            << srec + QStringList{"-obs=255"} << false << 0x1F00 << 256;
    }

    void realFilesRoundTrip()
    {
        QFETCH(QStringList, tool);
        QFETCH(bool, dataSpace);
        QFETCH(int, offset);
        QFETCH(int, size);
        if (!requireTool("objcopy", "binutils") || !requireTool("srec_cat", "srecord"))
            return;
        QTemporaryDir dir;
        const QByteArray image = randomBytes(size);
        const QString at = QStringLiteral("0x%1").arg(offset, 0, 16);
        for (QString &arg : tool)
            arg = arg == "IN"    ? writeFile(dir, "in.bin", image)
                  : arg == "OUT" ? dir.filePath("in.hex")
                  : arg == "AT"  ? at
                                 : arg;
        QVERIFY(runTool(tool));
        ProgRig rig;
        const QStringList space = dataSpace ? QStringList{"--data"} : QStringList{};
        QCOMPARE(rig.run(space + QStringList{"write", dir.filePath("in.hex")}), int(kDone));
        QVERIFY2(rig.out.contains(QStringLiteral("Verified %1 bytes").arg(size)), qPrintable(rig.out + rig.err));
        const QByteArray memory = rig.chip->memory(dataSpace ? Space::Data : Space::Program);
        QCOMPARE(memory.mid(offset, size), image);
        QCOMPARE(memory.count(char(0xFF)), image.count(char(0xFF)) + memory.size() - size); // nothing else written
        QCOMPARE(rig.count(Op::ProgrammingEnable), 1);
        verifyOnlyWholeTimelyInstructions(*rig.chip);
        QVERIFY(!rig.chip->inReset());
        // Read back the range and the whole space; the tools make binaries of them again.
        const QString range = QStringLiteral("%1-%2").arg(offset, 0, 16).arg(offset + size - 1, 0, 16);
        QCOMPARE(rig.run(space + QStringList{"read", "--range", range, "-o", dir.filePath("part.hex")}), int(kDone));
        QCOMPARE(rig.run(space + QStringList{"read", "-o", dir.filePath("whole.hex")}), int(kDone));
        QVERIFY(runTool({"srec_cat", dir.filePath("part.hex"), "-intel", "-offset", "-" + at, "-o",
                         dir.filePath("part.bin"), "-binary"}));
        QCOMPARE(fileContents(dir.filePath("part.bin")), image);
        QVERIFY(
            runTool({"objcopy", "-I", "ihex", "-O", "binary", dir.filePath("whole.hex"), dir.filePath("whole.bin")}));
        QCOMPARE(fileContents(dir.filePath("whole.bin")), memory);
    }

    void verifyNamesTheCellsThatDiffer()
    {
        QTemporaryDir dir;
        QByteArray image = randomBytes(64);
        image[5] = char(0x12);
        image[0x3F] = char(0x34);
        ProgRig rig;
        rig.chip->setWriteProtected(Space::Program, 0x205);
        rig.chip->setWriteProtected(Space::Program, 0x23F);
        QCOMPARE(rig.run({"write", writeFile(dir, "p.hex", HexWriter::toIntelHex(0x200, image))}), int(kDiffers));
        QVERIFY2(rig.out.contains("Verify failed: 2 of 64 bytes"), qPrintable(rig.out));
        QVERIFY2(rig.out.contains(QRegularExpression("0205 +FF +12\n +023F +FF +34\n")), qPrintable(rig.out));
        // Against an erased chip every byte differs: the first ten are named, the rest counted.
        ProgRig erased;
        QCOMPARE(
            erased.run({"--data", "verify", writeFile(dir, "d.hex", HexWriter::toIntelHex(0x10, QByteArray(20, 'Z')))}),
            int(kDiffers));
        QVERIFY2(erased.out.contains("20 of 20 bytes of data memory"), qPrintable(erased.out));
        QCOMPARE(erased.out.count(" FF    5A\n"), 10);
        QVERIFY(erased.out.contains("and 10 more") && erased.count(Op::WriteData) == 0);
        QVERIFY(erased.out.endsWith("Every byte came back as FF: the chip may not be connected or powered (or it is "
                                    "erased).\n"));
        QVERIFY(!rig.out.contains("Every byte"));
    }

    void targetIsReleasedHoweverTheRunEnds_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("verified") << "verified" << int(kDone) << "";
        QTest::newRow("differs") << "differs" << int(kDiffers) << "";
        QTest::newRow("interrupted") << "interrupted" << int(kInterrupted)
                                     << "tavro-prog: interrupted; the target is released\n";
        QTest::newRow("line fault") << "fault" << int(kPortFailure)
                                    << "tavro-prog: Com16: " + FlakyBoard::kReason + "\n";
        QTest::newRow("port lost")
            << "lost" << int(kPortFailure)
            << "tavro-prog: Com16: Built-in simulated board is no longer available (unplugged)\n";
        QTest::newRow("bad file: nothing sent") << "bad" << int(kBadInput) << ":2: data for address 3000";
        QTest::newRow("no file") << "missing" << int(kBadInput) << "missing.hex: ";
    }

    void targetIsReleasedHoweverTheRunEnds()
    {
        QFETCH(QString, ending);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QByteArray image = randomBytes(100);
        image[1] = char(SimulatedChip::kErased ^ 0x5A); // the protected cell 0x41 must differ from what it keeps
        QByteArray text = HexWriter::toIntelHex(0x40, image);
        if (ending == "bad")
            text.insert(text.indexOf('\n') + 1, IntelHex::encode({0, 0x3000, "\x01"}) + '\n');
        const QString file = ending == "missing" ? dir.filePath("missing.hex") : writeFile(dir, "p.hex", text);
        ProgRig rig;
        rig.chip->setTracing(true);
        int asked = 0;
        if (ending == "differs")
            rig.chip->setWriteProtected(Space::Program, 0x41);
        if (ending == "interrupted")
            rig.stop = [&asked] { return ++asked > 30; };
        if (ending == "fault" || ending == "lost")
            rig.board = [&rig, ending] {
                auto board = std::make_unique<FlakyBoard>(rig.chip);
                board->passBeforeFault = 1 + 48 + 48 * 5 + 7; // the hold, the enable, five bytes, into the sixth
                board->unplugs = ending == "lost";
                return board;
            };
        QCOMPARE(rig.run({"write", file}), status);
        QVERIFY2(message.isEmpty() ? rig.err.isEmpty() : rig.err.contains(message), qPrintable(rig.err));
        if (ending == "interrupted")
            QCOMPARE(rig.count(Op::WriteProgram), 30);
        if (ending == "bad" || ending == "missing")
            QVERIFY(rig.chip->instructions().isEmpty()
                    && (rig.err.contains("nothing was sent") || ending == "missing"));
        if (ending == "bad" || ending == "missing" || ending == "lost")
            return; // nothing to release, or no port left to release it on
        QVERIFY(!rig.chip->inReset());
        QVERIFY(linesReleased(*rig.chip));
        verifyOnlyWholeTimelyInstructions(*rig.chip);
    }

    void slowAdapterNeedsASettleTime_data()
    {
        QTest::addColumn<int>("settleUs");
        QTest::newRow("none") << 0;
        QTest::newRow("the adapter's latency") << 1000;
    }

    void slowAdapterNeedsASettleTime()
    {
        QFETCH(int, settleUs);
        QTemporaryDir dir;
        const QByteArray image = QByteArray::fromHex("5AA53C0FF01234C3");
        ProgRig rig;
        rig.chip->setTracing(true);
        rig.board = [&rig] {
            auto board = std::make_unique<SimulatedBoard>(rig.chip);
            board->setAdapterLatency(std::chrono::milliseconds(1));
            return board;
        };
        const int status = rig.run({"--verbose", "--settle-us", QString::number(settleUs), "write",
                                    writeFile(dir, "p.hex", HexWriter::toIntelHex(0x100, image))});
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
        // The settle time of a port comes from the port map unless the command line gives one.
        const PortMap map(writeFile(dir, "ports.ini",
                                    "[ports]\nCom3=/dev/null\ncom3settleus=1500\nCom4SettleUs=x\nCom5SettleUs=-5\n"
                                    "Com6SettleUs=99999999999999\n"));
        QString error;
        QCOMPARE(makeDeviceFactory(map, std::make_shared<SimulatedChip>())(3, &error)->settleUs(), 1500);
        QVERIFY(map.settleUs(4) == 0 && map.settleUs(5) == 0 && map.settleUs(6) == 0);
        QCOMPARE(map.warnings().size(), 3);
        QCOMPARE(map.warnings()[1], map.filePath()
                                        + ": [Ports] Com5SettleUs=-5 is not a number from 0 to 1000000; 0 "
                                          "is used instead");
    }

    void commandLineDefaultsAndRefusals()
    {
        MemorySettingsStore store;
        QVERIFY(!store.WriteSettings("Tavro Terminal", "Properties", {{"CommPort", "5"}, {"TextRTScheck", "1"}}));
        const StoredDefaults stored = StoredDefaults::read(store);
        QVERIFY(stored.port == "Com5" && stored.invertData);
        // Hand-edited values read as the terminal reads them: 2 is no check state, 17 no port.
        QVERIFY(!store.WriteSettings("Tavro Terminal", "Properties", {{"CommPort", "17"}, {"TextRTSCheck", "2"}}));
        QVERIFY(StoredDefaults::read(store).port == "Com1" && !StoredDefaults::read(store).invertData);

        const CommandLine fromStore({"tavro-prog", "write", "a.hex"}, stored);
        QVERIFY(fromStore.options().port == "Com5" && fromStore.options().invertData);
        const CommandLine given(
            {"tavro-prog", "--port", "/dev/ttyUSB0", "--no-invert-data", "--settle-us", "250", "verify", "a.hex"},
            stored);
        QVERIFY(given.options().port == "/dev/ttyUSB0" && !given.options().invertData
                && given.options().settleUs == 250);
        QCOMPARE(given.options().command, ProgOptions::Command::Verify);
        const CommandLine range({"tavro-prog", "--data", "read", "--range", "0x10-7ff", "-o", "e.hex"}, stored);
        QVERIFY(!range.error() && range.options().first == 0x10u && range.options().last == 0x7FFu);
        QCOMPARE(CommandLine({"tavro-prog", "read", "-o", "p.hex"}, stored).options().last, 0x1FFFu);

        const QList<std::pair<QStringList, QString>> refusals = {
            {{}, "no command given"},
            {{"erase"}, "unknown command \"erase\""},
            {{"write"}, "write takes exactly one HEX file"},
            {{"read", "x.hex"}, "read takes no file argument"},
            {{"read"}, "read needs the output file"},
            {{"write", "a.hex", "--range", "0-10"}, "--range applies to read only"},
            {{"read", "-o", "x", "--range", "20-10"}, "ends before it starts"},
            {{"--data", "read", "-o", "x", "--range", "0-800"}, "beyond the data memory, which ends at 7FF"},
            {{"--invert-data", "--no-invert-data", "write", "a"}, "exclude each other"},
            {{"--bogus", "write", "a"}, "Unknown option 'bogus'"},
            {{"--port", "Com17", "write", "a"}, "--port Com17 is not a port: the terminal has Com1 to Com16"},
            {{"--port", "Com" + QString(300, '9'), "write", "a"}, "--port Com999"},
        };
        for (const auto &[arguments, error] : refusals) {
            const CommandLine commandLine(QStringList{"tavro-prog"} + arguments, stored);
            QVERIFY2(commandLine.error() && commandLine.error()->contains(error) && commandLine.error()->size() < 300,
                     qPrintable(arguments.join(' ') + " -> " + commandLine.error().value_or("accepted")));
        }
        // A path of any length is shown cut, in the device's messages too.
        const QString huge = "/dev/" + QString(1 << 20, 'x');
        const Failure refused = TtyDevice(huge, {}).open({});
        QVERIFY(refused && refused->startsWith("/dev/xxx") && refused->contains("...") && refused->size() < 300);
    }

    void binaryExitStatusesAndMessages()
    {
        ProgBinary prog;
        QCOMPARE(prog.run({"--port", "Com17", "write", "x.hex"}), int(kBadInput));
        const QString good = writeFile(prog.home, "good.hex", HexWriter::toIntelHex(0x80, randomBytes(20)));
        QCOMPARE(prog.run({"--port", "Com16", "write", good}), int(kDone)); // not a terminal: results only, no bar
        QCOMPARE(prog.out.section('\n', 0, 1), "Port: Com16, Built-in simulated board, its chip kept in "
                                                   + QFileInfo(prog.chipFile()).path()
                                                   + "\nWrote 20 bytes of program memory from " + good + ".");
        QCOMPARE(prog.err, QString());
        const QString none = prog.home.filePath("ttyNone");
        QCOMPARE(prog.run({"--port", none, "write", good}), int(kPortFailure));
        QVERIFY(prog.err.contains("cannot open " + none) && prog.out.contains(none + " (no description from"));
        QCOMPARE(prog.run({"--quiet", "--port", none, "write", good}), int(kPortFailure));
        QCOMPARE(prog.out, QString());
        // probe describes what is behind the port and times it; a pseudo-terminal has no lines.
        QCOMPARE(prog.run({"--port", "simulated-board", "probe"}), int(kDone));
        QVERIFY2(prog.out.contains("simulated board: a model")
                     && prog.out.contains("Back ends: lines; the port map "
                                          "asks for auto")
                     && prog.out.contains(QRegularExpression("median [0-9.]+ ms.*estimated: \\d+ s through the "
                                                             "modem lines\n$",
                                                             QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(prog.out));

        PtyPair pty;
        if (!pty.usable())
            return;
        QCOMPARE(prog.run({"-q", "--port", pty.host(), "write", good}), int(kPortFailure));
        QCOMPARE(prog.err, "tavro-prog: " + pty.host() + " has no modem-control lines\n");
        QCOMPARE(prog.run({"--port", pty.host(), "probe"}), int(kPortFailure));
        QVERIFY2(prog.out.contains("No USB device") && prog.err.contains("cannot be programmed through it"),
                 qPrintable(prog.out + prog.err));
        QSerialPort holder(pty.host());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QCOMPARE(prog.run({"-q", "--port", pty.host(), "verify", good}), int(kPortFailure));
        QCOMPARE(prog.err, "tavro-prog: cannot open " + pty.host() + ": busy, another program has it open\n");
    }

    void endedWritesKeepWhatWasProgrammed()
    {
        // Ctrl-C, or kill -9, in the middle of a write:
        // 400 bytes take 2 s of chip waits. Every byte programmed before is in the chip's file.
        ProgBinary prog;
        for (const int signal : {SIGINT, SIGKILL}) {
            QFile::remove(prog.chipFile());
            const QByteArray image = randomBytes(400);
            const QString file = writeFile(prog.home, "long.hex", HexWriter::toIntelHex(0, image));
            prog.start({"--port", "simulated-board", "write", file});
            QVERIFY(prog.process.waitForStarted());
            QTest::qWait(1000);
            ::kill(pid_t(prog.process.processId()), signal);
            const int status = prog.finish();
            if (signal == SIGINT)
                QVERIFY(status == int(kInterrupted) && prog.err == "tavro-prog: interrupted; the target is released\n");
            const QByteArray kept = fileContents(prog.chipFile());
            qsizetype programmed = 0;
            while (programmed < image.size() && kept.at(programmed) == image.at(programmed))
                ++programmed;
            QVERIFY2(programmed > 20 && programmed < image.size(), qPrintable(QString::number(programmed)));
            QCOMPARE(kept.mid(programmed), QByteArray(kept.size() - programmed, char(0xFF)));
        }
    }

    void readWritesExactlyWhatItReports_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("failure"); // on standard error; empty: the target gets the HEX
        for (const char *target : {"-", "/dev/stdout", "fifo", "symlink", "new file"})
            QTest::newRow(target) << target << "";
        QTest::newRow("device") << "/dev/full"
                                << "/dev/full: No space left on device";
        QTest::newRow("file size limit") << "limit"
                                         << "keep.hex: File too large";
        QTest::newRow("full disk") << "tmpfs"
                                   << "keep.hex: No space left on device";
    }

    void readWritesExactlyWhatItReports()
    {
        QFETCH(QString, target);
        QFETCH(QString, failure);
        const bool toOut = target == "-" || target == "/dev/stdout";
        ProgBinary prog;
        const QByteArray chip = randomBytes(SimulatedChip::kProgramSize), old = "old backup\n";
        const QString images = ".local/share/Tavro Terminal/simulated-chip/";
        QVERIFY(QDir(prog.home.path()).mkpath(images)); // both whole: the size limit would refuse to extend one
        QVERIFY(!writeFile(prog.home, images + "program.bin", chip).isEmpty()
                && !writeFile(prog.home, images + "data.bin", QByteArray(0x800, 'd')).isEmpty());
        const QString small = prog.home.filePath("small");
        QString path = writeFile(prog.home, "keep.hex", old), holds = path;
        int reader = -1;
        const auto unmount = qScopeGuard([&] {
            if (target == "tmpfs")
                QProcess::execute("umount", {small});
        });
        if (target == "tmpfs") {
            if (!QDir().mkdir(small) || ::geteuid() != 0
                || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=8k", "tmpfs", small}) != 0)
                QSKIP("mounting a small tmpfs needs root");
            path = holds = writeFile(prog.home, "small/keep.hex", old);
            QFile filler(prog.home.filePath("small/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(1024, 'f')) == 1024 && filler.flush())
                ;
        } else if (target == "limit") {
            prog.process.setChildProcessModifier([] {
                const rlimit limit{100, 100};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_IGN);
            });
        } else if (target == "fifo") {
            path = holds = prog.home.filePath("fifo");
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        } else if (target == "symlink") {
            path = prog.home.filePath("link.hex");
            QVERIFY(QFile::link(holds, path));
        } else {
            path = target == "new file" ? prog.home.filePath("new.hex") : target; // or standard output, a device
            holds = target == "new file" ? path : holds;
        }
        const int status = prog.run({"-q", "--port", "simulated-board", "--range", "40-7F", "read", "-o", path});
        if (!failure.isEmpty()) {
            QCOMPARE(status, int(kBadInput));
            QVERIFY2(prog.err.endsWith(failure + "\n"), qPrintable(prog.err));
            QVERIFY(target == "/dev/full" ? !QFileInfo(path).isFile() : fileContents(holds) == old); // no file left
            QVERIFY(QFileInfo(holds).isFile());
            QCOMPARE(QDir(QFileInfo(holds).path()).entryList({"*.tmp"}, QDir::Files), QStringList());
            return;
        }
        QCOMPARE(status, int(kDone));
        QByteArray got(0x100, 0);
        if (target == "fifo")
            got.resize(::read(reader, got.data(), got.size())), ::close(reader);
        const QByteArray hex = HexWriter::toIntelHex(0x40, chip.mid(0x40, 0x40));
        QCOMPARE(toOut ? prog.out.toLatin1() : target == "fifo" ? got : fileContents(holds), hex);
        QVERIFY(prog.err.startsWith("Read 64 bytes") == toOut); // the results beside the HEX
        QVERIFY(QFileInfo(path).isSymLink() == (target == "symlink" || target == "/dev/stdout")
                && QFileInfo(holds).isFile() != (target == "fifo"));
    }

    // A device the user may not open names the group to join, when joining it would help; the runs
    // are a user outside every group, as the root that runs the tests cannot be refused.
    void binaryExplainsADeniedDevice()
    {
        if (::geteuid() != 0)
            QSKIP("only root can make the user the device refuses");
        PtyPair pty;
        if (!pty.usable())
            return;
        const QByteArray device = QFile::encodeName(QFileInfo(pty.host()).symLinkTarget());
        QTemporaryDir home; // the hex file must be readable by that user
        QVERIFY(::chmod(QFile::encodeName(home.path()).constData(), 0755) == 0);
        const QString good = writeFile(home, "good.hex", HexWriter::toIntelHex(0, randomBytes(4)));
        const struct
        {
            const char *group;
            mode_t mode;
            QString reason;
        } cases[] = {
            {"dialout", 0660,
             "permission denied; join its group dialout (sudo adduser \"$USER\" dialout), then log in again"},
            {"tty", 0620,
             "permission denied, and its group tty may not use it either; ask the administrator for access"},
        };
        for (const auto &c : cases) {
            const group *owner = ::getgrnam(c.group);
            QVERIFY(owner && ::chown(device.constData(), 0, owner->gr_gid) == 0
                    && ::chmod(device.constData(), c.mode) == 0);
            QProcess process;
            process.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "env",
                                      "HOME=" + home.path(), TAVRO_PROG, "--port", device, "verify", good});
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), int(kPortFailure));
            QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()),
                     "tavro-prog: cannot open " + device + ": " + c.reason + "\n");
        }
    }
};

QTEST_MAIN(TestProgrammer)
#include "tst_programmer.moc"
