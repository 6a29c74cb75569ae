#include "PtyPair.h"
#include "TestFiles.h"
#include "programmer/HexImage.h"
#include "programmer/HexWriter.h"
#include "programmer/cli/CommandLine.h"
#include "programmer/cli/ProgRun.h"
#include "serial/SimulatedBoard.h"
#include "settings/SettingsStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>

using Space = SimulatedChip::Space;
using Op = SimulatedChip::Op;

namespace {

// tavro-prog's run in process, against a simulated board with shortened waits.
struct Rig
{
    static constexpr Waits kWaits{10000, 1500, 0.01};
    std::shared_ptr<SimulatedChip> chip = [] {
        auto made = std::make_shared<SimulatedChip>();
        made->setTimeScale(kWaits.chipScale);
        return made;
    }();
    std::function<std::unique_ptr<SerialDevice>()> makeDevice = [this] {
        return std::make_unique<SimulatedBoard>(chip);
    };
    ChipSession::StopRequest stop;
    QString out, err;

    int run(QStringList arguments)
    {
        out.clear();
        err.clear();
        arguments.prepend(QStringLiteral("tavro-prog"));
        const CommandLine commandLine(arguments, StoredDefaults{});
        if (commandLine.error()) {
            err = *commandLine.error();
            return kBadInput;
        }
        QTextStream outStream(&out), errStream(&err);
        ProgRun run(commandLine.options(), {outStream, errStream, nullptr, stop, kWaits});
        const PortChoice board{16, [this](int, QString *) { return makeDevice(); }, QStringLiteral("Com16")};
        return run.exec([&board](const QString &, QString *) { return board; });
    }

    int count(Op op) const
    {
        return int(std::count_if(chip->instructions().begin(), chip->instructions().end(),
                                 [op](const SimulatedChip::Instruction &i) { return i.op == op; }));
    }
};

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, 0);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A record with its checksum; a bad one is made by changing the text afterwards.
QByteArray record(const QByteArray &fields)
{
    quint8 sum = 0;
    for (char c : fields)
        sum = quint8(sum + quint8(c));
    return ':' + (fields + char(quint8(-sum))).toHex().toUpper() + '\n';
}

QByteArray dataRecord(quint16 address, const QByteArray &data, quint8 type = 0)
{
    return record(char(data.size()) + QByteArray(1, char(address >> 8)) + char(address & 0xFF) + char(type) + data);
}

// The data records change places among themselves; everything else stays where it was.
QByteArray shuffleDataRecords(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    QList<qsizetype> places;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].size() > 9 && lines[i].mid(7, 2) == "00")
            places << i;
    QList<QByteArray> data;
    for (qsizetype i : places)
        data << lines[i];
    std::reverse(data.begin(), data.end());
    std::rotate(data.begin(), data.begin() + data.size() / 3, data.end());
    for (qsizetype k = 0; k < places.size(); ++k)
        lines[places[k]] = data[k];
    return lines.join('\n');
}

bool runTool(QStringList command)
{
    const QString program = command.takeFirst();
    return QProcess::execute(program, command) == 0;
}

QString hexText(quint32 value)
{
    return QString::number(value, 16).toUpper();
}

} // namespace

class TestTavroProg : public QObject
{
    Q_OBJECT
private slots:
    void roundTripsWithRealFiles_data();
    void roundTripsWithRealFiles();
    void verifyNamesTheCellsThatDiffer();
    void badInputReachesNoChip_data();
    void badInputReachesNoChip();
    void hexImageReadsWhatCarefulReadersRead();
    void hexWriterCrossesA64KBoundary();
    void targetIsReleasedHoweverTheRunEnds_data();
    void targetIsReleasedHoweverTheRunEnds();
    void commandLineDefaultsAndRefusals();
    void binaryExitStatusesAndMessages();
    void binaryStopsOnSigint();
};

void TestTavroProg::roundTripsWithRealFiles_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("dataSpace");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("shuffled");
    QTest::newRow("objcopy, whole program memory") << "objcopy" << false << 0 << 0x2000 << false;
    QTest::newRow("srec_cat, whole data memory") << "srec_cat" << true << 0 << 0x800 << false;
    QTest::newRow("srec_cat, program part, shuffled") << "srec_cat" << false << 0x1234 << 300 << true;
    QTest::newRow("objcopy, data part, shuffled") << "objcopy" << true << 0x123 << 77 << true;
    QTest::newRow("srec_cat 255-byte records, program end") << "srec_cat255" << false << 0x1F00 << 256 << false;
}

void TestTavroProg::roundTripsWithRealFiles()
{
    QFETCH(QString, tool);
    QFETCH(bool, dataSpace);
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(bool, shuffled);
    QTemporaryDir dir;
    const QByteArray image = randomBytes(size);
    const QString bin = writeFile(dir, "in.bin", image);
    const QString hexFile = dir.filePath("in.hex");
    const QString at = "0x" + hexText(offset);
    if (tool == "objcopy")
        QVERIFY(runTool({"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", at, bin, hexFile}));
    else
        QVERIFY(runTool({"srec_cat", bin, "-binary", "-offset", at, "-o", hexFile, "-intel",
                         tool == "srec_cat255" ? "-obs=255" : "-obs=32"}));
    if (shuffled)
        QVERIFY(!writeFile(dir, "in.hex", shuffleDataRecords(readFile(hexFile))).isEmpty());

    Rig rig;
    const QStringList space = dataSpace ? QStringList{"--data"} : QStringList{};
    QCOMPARE(rig.run(space + QStringList{"write", hexFile}), int(kDone));
    QVERIFY2(rig.out.contains(QStringLiteral("Verified %1 bytes").arg(size)), qPrintable(rig.out + rig.err));
    const Space chipSpace = dataSpace ? Space::Data : Space::Program;
    const QByteArray memory = rig.chip->memory(chipSpace);
    QCOMPARE(memory.mid(offset, size), image);
    QCOMPARE(memory.left(offset).count(char(0xFF)), offset);
    QCOMPARE(memory.mid(offset + size).count(char(0xFF)), memory.size() - offset - size);
    const auto &log = rig.chip->instructions();
    QCOMPARE(log.first().op, Op::ProgrammingEnable);
    QCOMPARE(rig.count(Op::ProgrammingEnable), 1);
    QCOMPARE(rig.count(dataSpace ? Op::WriteData : Op::WriteProgram), size);
    QCOMPARE(rig.count(dataSpace ? Op::ReadData : Op::ReadProgram), size);
    for (const auto &ins : log)
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
    QVERIFY(!rig.chip->inReset());

    QCOMPARE(rig.run(space + QStringList{"verify", hexFile}), int(kDone));

    // Read back, the range and the whole space, and let both tools turn the files into binaries.
    const QString part = dir.filePath("part.hex"), whole = dir.filePath("whole.hex");
    const QString range = hexText(offset) + '-' + hexText(offset + size - 1);
    QCOMPARE(rig.run(space + QStringList{"read", "--range", range, "-o", part}), int(kDone));
    QCOMPARE(rig.run(space + QStringList{"read", "-o", whole}), int(kDone));
    QVERIFY(runTool({"objcopy", "-I", "ihex", "-O", "binary", part, dir.filePath("part.bin")}));
    QCOMPARE(readFile(dir.filePath("part.bin")), image);
    QVERIFY(runTool({"srec_cat", part, "-intel", "-offset", "-" + at, "-o", dir.filePath("part2.bin"), "-binary"}));
    QCOMPARE(readFile(dir.filePath("part2.bin")), image);
    QVERIFY(runTool({"objcopy", "-I", "ihex", "-O", "binary", whole, dir.filePath("whole.bin")}));
    QCOMPARE(readFile(dir.filePath("whole.bin")), memory);
}

void TestTavroProg::verifyNamesTheCellsThatDiffer()
{
    QTemporaryDir dir;
    QByteArray image = randomBytes(64);
    image[5] = char(0x12);
    image[0x3F] = char(0x34);
    const QString file = writeFile(dir, "p.hex", HexWriter::toIntelHex(0x200, image));
    Rig rig;
    rig.chip->setWriteProtected(Space::Program, 0x205);
    rig.chip->setWriteProtected(Space::Program, 0x23F);
    QCOMPARE(rig.run({"write", file}), int(kDiffers));
    QVERIFY2(rig.out.contains("Verify failed: 2 of 64 bytes"), qPrintable(rig.out));
    QVERIFY2(rig.out.contains(QRegularExpression("0205 +FF +12\n +023F +FF +34\n")), qPrintable(rig.out));

    // Against an erased chip every byte differs: the first ten are named, the rest counted.
    Rig erased;
    const QString small = writeFile(dir, "d.hex", HexWriter::toIntelHex(0x10, QByteArray(20, char(0x5A))));
    QCOMPARE(erased.run({"--data", "verify", small}), int(kDiffers));
    QVERIFY2(erased.out.contains("20 of 20 bytes of data memory"), qPrintable(erased.out));
    QCOMPARE(erased.out.count(" FF    5A\n"), 10);
    QVERIFY(erased.out.contains("0019     FF    5A\n"));
    QVERIFY(erased.out.contains("and 10 more"));
    QCOMPARE(erased.count(Op::WriteData), 0);
}

void TestTavroProg::badInputReachesNoChip_data()
{
    QTest::addColumn<QByteArray>("third");
    QTest::addColumn<bool>("dataSpace");
    QTest::addColumn<QString>("reason");
    const QByteArray good = dataRecord(0x0400, "\x05\x06");
    QByteArray badSum = good;
    badSum[badSum.size() - 2] = badSum.at(badSum.size() - 2) == '0' ? '1' : '0';
    QByteArray nonHex = good;
    nonHex[9] = 'G';
    QTest::newRow("bad checksum") << badSum << false << "bad checksum";
    QTest::newRow("non-hex field") << nonHex << false << "'G' is not a hex digit";
    QTest::newRow("count too high") << record(QByteArray("\x03\x04\x00\x00\x05\x06", 6)) << false
                                    << "byte count 3 but the record holds 2";
    QTest::newRow("odd digits") << QByteArray(":0204000005060\n") << false << "odd number";
    QTest::newRow("unknown type") << dataRecord(0x0400, "\x05", 0x07) << false << "unknown record type 07";
    QTest::newRow("beyond program memory") << dataRecord(0x1FFE, "\x01\x02\x03") << false << "data for address 2000";
    QTest::newRow("beyond data memory") << dataRecord(0x07FF, "\x01\x02") << true << "data for address 0800";
    QTest::newRow("one address, two values")
        << dataRecord(0x0001, "\x09") << false << "address 0001 is given 09 here but 02 on line 1";
    QTest::newRow("junk line") << QByteArray("hello\n") << false << "not a record";
}

void TestTavroProg::badInputReachesNoChip()
{
    QFETCH(QByteArray, third);
    QFETCH(bool, dataSpace);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    // Sound records around the bad one: a reader that writes as it goes would write them.
    const QByteArray text =
        dataRecord(0x0000, "\x01\x02\x03") + "\n" + third + dataRecord(0x0010, "\x04") + ":00000001FF\n";
    const QString file = writeFile(dir, "bad.hex", text);
    const QStringList space = dataSpace ? QStringList{"--data"} : QStringList{};
    for (const char *command : {"write", "verify"}) {
        Rig rig;
        QCOMPARE(rig.run(space + QStringList{command, file}), int(kBadInput));
        QVERIFY2(rig.err.contains(file + ":3: " + reason), qPrintable(rig.err));
        QVERIFY(rig.err.contains("nothing was sent to the chip"));
        QVERIFY(rig.chip->instructions().isEmpty());
        QVERIFY(rig.chip->resetEvents().empty());
    }

    // The same for files that cannot be read at all.
    for (const QString &path : {dir.filePath("missing.hex"), dir.path()}) {
        Rig rig;
        QCOMPARE(rig.run({"write", path}), int(kBadInput));
        QVERIFY2(rig.err.startsWith("tavro-prog: " + path + ": "), qPrintable(rig.err));
        QVERIFY(rig.chip->resetEvents().empty());
    }
}

void TestTavroProg::hexImageReadsWhatCarefulReadersRead()
{
    // Lower case, CRLF, blank lines, an address given twice with one value, and what follows
    // the end record is not read.
    const QByteArray plain = dataRecord(0x0100, "\xAB\xCD").toLower().replace("\n", "\r\n") + "\r\n  \n"
                             + dataRecord(0x0101, "\xCD") + ":00000001FF\n" + "garbage after the end\n";
    const HexImage image = HexImage::parse(plain, 0x1FFF);
    QVERIFY(image.ok());
    QCOMPARE(image.bytes(), (std::map<quint32, quint8>{{0x100, 0xAB}, {0x101, 0xCD}}));

    // Extended linear and segment addresses; a segment wraps within its 64 KiB.
    const QByteArray extended = record(QByteArray("\x02\x00\x00\x04\x00\x01", 6)) + dataRecord(0x0002, "\x11")
                                + record(QByteArray("\x02\x00\x00\x02\x10\x00", 6)) + dataRecord(0xFFFF, "\x22\x33");
    QCOMPARE(HexImage::parse(extended).bytes(),
             (std::map<quint32, quint8>{{0x10002, 0x11}, {0x1FFFF, 0x22}, {0x10000, 0x33}}));

    // A file of junk keeps its first faults, counts them all and gives no bytes.
    const HexImage junk = HexImage::parse(dataRecord(0, "\x01") + QByteArray("x\n").repeated(500));
    QCOMPARE(junk.faultCount(), 500);
    QCOMPARE(junk.faults().size(), HexImage::kKeptFaults);
    QCOMPARE(junk.faults().first().line, 2);
    QVERIFY(junk.bytes().empty());
    QCOMPARE(HexImage::parse(record(QByteArray("\x01\x00\x00\x01\x00", 5))).faults().first().reason,
             QStringLiteral("end-of-file record with 1 data bytes"));
}

void TestTavroProg::hexWriterCrossesA64KBoundary()
{
    QTemporaryDir dir;
    const QByteArray image = randomBytes(40);
    const QByteArray text = HexWriter::toIntelHex(0xFFF0, image);
    QVERIFY(text.contains(":020000040001F9\n"));
    QVERIFY(text.endsWith(":00000001FF\n"));
    const HexImage back = HexImage::parse(text);
    QVERIFY(back.ok());
    QCOMPARE(back.bytes().begin()->first, 0xFFF0u);
    QCOMPARE(back.bytes().rbegin()->first, 0xFFF0u + 39);
    const QString file = writeFile(dir, "x.hex", text);
    QVERIFY(runTool({"objcopy", "-I", "ihex", "-O", "binary", file, dir.filePath("x.bin")}));
    QCOMPARE(readFile(dir.filePath("x.bin")), image);
}

namespace {
// Goes away after a number of clock pulses, as an unplugged adapter does.
class VanishingBoard : public SimulatedBoard
{
public:
    VanishingBoard(std::shared_ptr<SimulatedChip> chip, int pulses)
        : SimulatedBoard(std::move(chip))
        , m_left(pulses)
    {}
    Failure setBreak(bool on) override
    {
        if (on && --m_left == 0)
            unplug();
        return SimulatedBoard::setBreak(on);
    }

private:
    int m_left;
};
} // namespace

void TestTavroProg::targetIsReleasedHoweverTheRunEnds_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("verified") << "verified" << int(kDone) << "";
    QTest::newRow("differs") << "differs" << int(kDiffers) << "";
    QTest::newRow("interrupted") << "interrupted" << int(kInterrupted)
                                 << "tavro-prog: interrupted; the target is released\n";
    QTest::newRow("port lost") << "lost" << int(kPortFailure)
                               << "tavro-prog: Com16: Built-in simulated board is no longer available (unplugged)\n";
}

void TestTavroProg::targetIsReleasedHoweverTheRunEnds()
{
    QFETCH(QString, ending);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = writeFile(dir, "p.hex", HexWriter::toIntelHex(0x40, randomBytes(100)));
    Rig rig;
    rig.chip->setTracing(true);
    int asked = 0;
    if (ending == "differs")
        rig.chip->setWriteProtected(Space::Program, 0x41);
    if (ending == "interrupted")
        rig.stop = [&asked] { return ++asked > 30; };
    if (ending == "lost")
        rig.makeDevice = [&rig] { return std::make_unique<VanishingBoard>(rig.chip, 24 * 40); };
    QCOMPARE(rig.run({"write", file}), status);
    QCOMPARE(rig.err, message);
    if (ending == "interrupted")
        QCOMPARE(rig.count(Op::WriteProgram), 30);
    if (ending == "lost")
        return; // nothing is left to release on a port that is gone
    QVERIFY(!rig.chip->inReset());
    std::map<SimulatedChip::Line, bool> last;
    for (const auto &event : rig.chip->trace())
        last[event.line] = event.level;
    QCOMPARE(last[SimulatedChip::Line::Reset], false);
    QCOMPARE(last[SimulatedChip::Line::Clock], false);
    QCOMPARE(last[SimulatedChip::Line::Data], false);
}

void TestTavroProg::commandLineDefaultsAndRefusals()
{
    MemorySettingsStore store;
    store.WriteSetting("Tavro Terminal", "Properties", "CommPort", "5");
    store.WriteSetting("Tavro Terminal", "Properties", "TextRTScheck", "1");
    const StoredDefaults stored = StoredDefaults::read(store);
    QCOMPARE(stored.port, QStringLiteral("Com5"));
    QVERIFY(stored.invertData);
    QCOMPARE(StoredDefaults::read(MemorySettingsStore()).port, QStringLiteral("Com1"));
    QVERIFY(!StoredDefaults::read(MemorySettingsStore()).invertData);
    // Hand-edited values read as the terminal reads them: any non-zero number checks the box,
    // a port it refuses leaves it on Com1.
    MemorySettingsStore edited;
    edited.WriteSetting("Tavro Terminal", "Properties", "CommPort", "17");
    edited.WriteSetting("Tavro Terminal", "Properties", "TextRTSCheck", "2");
    QCOMPARE(StoredDefaults::read(edited).port, QStringLiteral("Com1"));
    QVERIFY(!StoredDefaults::read(edited).invertData); // 2 is no check state: the box stays off

    const CommandLine fromStore({"tavro-prog", "write", "a.hex"}, stored);
    QCOMPARE(fromStore.options().port, QStringLiteral("Com5"));
    QVERIFY(fromStore.options().invertData);
    const CommandLine overridden({"tavro-prog", "--port", "/dev/ttyUSB0", "--no-invert-data", "verify", "a.hex"},
                                 stored);
    QCOMPARE(overridden.options().port, QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!overridden.options().invertData);
    QCOMPARE(overridden.options().command, ProgOptions::Command::Verify);
    const CommandLine range({"tavro-prog", "--data", "read", "--range", "0x10-7ff", "-o", "e.hex"}, stored);
    QVERIFY(!range.error());
    QCOMPARE(range.options().first, 0x10u);
    QCOMPARE(range.options().last, 0x7FFu);
    QCOMPARE(range.options().file, QStringLiteral("e.hex"));
    const CommandLine whole({"tavro-prog", "read", "-o", "p.hex"}, stored);
    QCOMPARE(whole.options().last, 0x1FFFu);

    const QList<std::pair<QStringList, QString>> refusals = {
        {{}, "no command given"},
        {{"erase"}, "unknown command \"erase\""},
        {{"write"}, "write takes exactly one HEX file"},
        {{"read", "x.hex"}, "read takes no file argument"},
        {{"read"}, "read needs the output file"},
        {{"write", "a.hex", "--range", "0-10"}, "--range applies to read only"},
        {{"read", "-o", "x", "--range", "10"}, "is not START-END"},
        {{"read", "-o", "x", "--range", "20-10"}, "ends before it starts"},
        {{"--data", "read", "-o", "x", "--range", "0-800"}, "beyond the data memory, which ends at 7FF"},
        {{"--invert-data", "--no-invert-data", "write", "a"}, "exclude each other"},
        {{"--bogus", "write", "a"}, "Unknown option 'bogus'"},
    };
    for (const auto &[arguments, error] : refusals) {
        const CommandLine commandLine(QStringList{"tavro-prog"} + arguments, stored);
        QVERIFY2(commandLine.error() && commandLine.error()->contains(error),
                 qPrintable(arguments.join(' ') + " -> " + commandLine.error().value_or("accepted")));
    }
}

namespace {
struct Binary
{
    QTemporaryDir home;
    QProcess process;
    Binary()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        process.setProcessEnvironment(env);
    }
    int run(const QStringList &arguments)
    {
        process.start(QStringLiteral(TAVRO_PROG), arguments);
        if (!process.waitForFinished(30000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString out() { return QString::fromLocal8Bit(process.readAllStandardOutput()); }
    QString err() { return QString::fromLocal8Bit(process.readAllStandardError()); }
};
} // namespace

void TestTavroProg::binaryExitStatusesAndMessages()
{
    Binary b;
    QCOMPARE(b.run({"--help"}), 0);
    const QString help = b.out();
    for (const char *part : {"Usage: tavro-prog [options]", "write FILE", "verify FILE", "read -o FILE", "--range",
                             "--invert-data", "--data", "Exit status", "130"})
        QVERIFY2(help.contains(part), part);

    QCOMPARE(b.run({"frobnicate"}), int(kBadInput));
    QVERIFY(b.err().contains("unknown command"));

    const QString good = writeFile(b.home, "good.hex", HexWriter::toIntelHex(0x80, randomBytes(20)));
    const QString bad = writeFile(b.home, "bad.hex", dataRecord(0, "\x01") + dataRecord(0x3000, "\x01"));
    QCOMPARE(b.run({"--port", "simulated-board", "write", bad}), int(kBadInput));
    QVERIFY2(b.err().contains(bad + ":2: data for address 3000"), qPrintable(b.err()));

    // Not a terminal: results only, no progress bar.
    QCOMPARE(b.run({"--port", "Com16", "write", good}), int(kDone));
    QVERIFY(b.out().startsWith("Wrote 20 bytes of program memory"));
    QCOMPARE(b.err(), QString());

    QCOMPARE(b.run({"--port", b.home.filePath("ttyNone"), "write", good}), int(kPortFailure));
    QVERIFY2(b.err().contains("cannot open " + b.home.filePath("ttyNone")), qPrintable(b.err()));
    QCOMPARE(b.run({"--port", "Com17", "write", good}), int(kPortFailure));
    QVERIFY(b.err().contains("Com17 is not a port"));

    PtyPair pty;
    if (!pty.usable())
        return;
    QCOMPARE(b.run({"--port", pty.host(), "write", good}), int(kPortFailure));
    QCOMPARE(b.err(), "tavro-prog: " + pty.host() + " has no modem-control lines\n");

    QSerialPort holder(pty.host());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QCOMPARE(b.run({"--port", pty.host(), "verify", good}), int(kPortFailure));
    QCOMPARE(b.err(), "tavro-prog: cannot open " + pty.host() + ": busy, another program has it open\n");
}

void TestTavroProg::binaryStopsOnSigint()
{
    Binary b;
    // 400 bytes take 2 s of chip waits: long enough to be interrupted in the middle.
    const QString file = writeFile(b.home, "long.hex", HexWriter::toIntelHex(0, randomBytes(400)));
    b.process.start(QStringLiteral(TAVRO_PROG), {"--port", "simulated-board", "write", file});
    QVERIFY(b.process.waitForStarted());
    QTest::qWait(1000);
    ::kill(pid_t(b.process.processId()), SIGINT);
    QVERIFY(b.process.waitForFinished(5000));
    QCOMPARE(b.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(b.process.exitCode(), int(kInterrupted));
    QCOMPARE(b.err(), QStringLiteral("tavro-prog: interrupted; the target is released\n"));
}

QTEST_MAIN(TestTavroProg)
#include "tst_tavroprog.moc"
