#include "ProgrammerBench.h"
#include "TestFiles.h"
#include "common/AppState.h"
#include "common/Hex.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/ChipError.h"
#include "programmer/ChipMemory.h"
#include "programmer/HexImage.h"
#include "programmer/LineDriver.h"
#include "programmer/Timer3.h"
#include "serial/MSComm.h"
#include "serial/SimulatedBoard.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using Space = SimulatedChip::Space;
using Cells = QMap<int, int>; // address to value

class TestProgrammer : public QObject
{
    Q_OBJECT
private slots:
    void instructionsReachTheChipAsBytes_data();
    void instructionsReachTheChipAsBytes();
    void outOfSpaceAddressesNeverReachTheChip();
    void hexHelpers();
    void hexDownloadOfRealFilesProgramsTheBinary_data();
    void hexDownloadOfRealFilesProgramsTheBinary();
    void bothReadersAgreeOnEveryRecord_data();
    void bothReadersAgreeOnEveryRecord();
};

void TestProgrammer::instructionsReachTheChipAsBytes_data()
{
    QTest::addColumn<bool>("inverter");
    QTest::newRow("straight") << false;
    QTest::newRow("inverted line, inverted setting") << true;
}

void TestProgrammer::instructionsReachTheChipAsBytes()
{
    QFETCH(bool, inverter);
    Bench b(inverter, inverter);
    b.memory.ProgrammingEnable();
    b.memory.WriteDataMemory(0x7FF, 0x5A);
    b.target->poke(Space::Program, 0x1234, 0xC3);
    QCOMPARE(b.memory.ReadProgramMemory(0x1234), quint8(0xC3));
    const auto &log = b.target->instructions();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log[0].op, SimulatedChip::Op::ProgrammingEnable);
    QCOMPARE(log[1].bytes, (std::array<quint8, 3>{0x3E, 0xFF, 0x5A}));
    QCOMPARE(log[2].bytes[0], quint8(0x91));
    QCOMPARE(log[2].bytes[1], quint8(0x34));
    QCOMPARE(b.target->read(Space::Data, 0x7FF), quint8(0x5A));
}

void TestProgrammer::outOfSpaceAddressesNeverReachTheChip()
{
    Bench b;
    b.memory.ProgrammingEnable();
    QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.WriteProgramMemory(0x2000, 1));
    QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.WriteDataMemory(0x800, 1));
    QVERIFY_THROWS_EXCEPTION(ChipError, b.memory.ReadDataMemory(-1));
    QCOMPARE(b.target->instructions().size(), 1);
    QCOMPARE(b.target->pendingBits(), 0);
}

void TestProgrammer::hexHelpers()
{
    QCOMPARE(Hex::fByte(0), QStringLiteral("00"));
    QCOMPARE(Hex::fByte(0xAB), QStringLiteral("AB"));
    QCOMPARE(Hex::fWord(0xABC), QStringLiteral("0ABC"));
    QCOMPARE(Hex::fWord(-5), QStringLiteral("-5"));
    QCOMPARE(Hex::hexToBinary("1a2B"), 0x1A2B);
    QCOMPARE(Hex::hexToBinary(""), 0);
    QCOMPARE(Hex::hexToBinary("12345"), 0x2345);
    QCOMPARE(Hex::hexToBinary("1G"), -5);
    QCOMPARE(Hex::hexToBinary(" 1"), -5);
}

static QByteArray randomImage(int size)
{
    QByteArray bytes(size, 0);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

void TestProgrammer::hexDownloadOfRealFilesProgramsTheBinary_data()
{
    QTest::addColumn<QStringList>("tool");
    QTest::addColumn<bool>("dataSpace");
    QTest::addColumn<bool>("lowerCaseCrLf");
    QTest::newRow("objcopy 16") << QStringList{"objcopy", "-I", "binary", "-O", "ihex", "IN", "OUT"} << false << false;
    QTest::newRow("srec_cat 32") << QStringList{"srec_cat", "IN", "-binary", "-o", "OUT", "-intel"} << true << true;
    QTest::newRow("srec_cat 255") << QStringList{"srec_cat", "IN", "-binary", "-o", "OUT", "-intel", "-obs=255"}
                                  << false << false;
}

void TestProgrammer::hexDownloadOfRealFilesProgramsTheBinary()
{
    QFETCH(QStringList, tool);
    QFETCH(bool, dataSpace);
    QFETCH(bool, lowerCaseCrLf);
    QTemporaryDir dir;
    const QByteArray image = randomImage(300);
    QFile in(dir.filePath("in.bin"));
    QVERIFY(in.open(QIODevice::WriteOnly));
    in.write(image);
    in.close();
    const QString out = dir.filePath("prog.hex");
    for (QString &arg : tool)
        arg = arg == "IN" ? in.fileName() : arg == "OUT" ? out : arg;
    QCOMPARE(QProcess::execute(tool.takeFirst(), tool), 0);
    if (lowerCaseCrLf) {
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray text = f.readAll().toLower().replace("\n", "\r\n");
        f.resize(0);
        f.write(text);
    }

    Bench b;
    b.app.ProgMode = true;
    b.app.DataSpace = dataSpace;
    b.file = out;
    Module1 console(b, b.app);
    console.HexDownload();
    const Space space = dataSpace ? Space::Data : Space::Program;
    QCOMPARE(b.target->memory(space).left(image.size()), image);
    QVERIFY(!b.controlsShown);
    QCOMPARE(b.caption, QStringLiteral("Tavro Terminal - prog.hex"));
    for (const auto &ins : b.target->instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
}

void TestProgrammer::bothReadersAgreeOnEveryRecord_data()
{
    // The same file through the console's download and tavro-prog's reader. A fault stops the
    // console after the records before it and makes tavro-prog refuse the whole file.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Cells>("written");   // by both, or by the console before the fault
    QTest::addColumn<QString>("fault");   // in tavro-prog's reason; empty: none
    QTest::addColumn<QString>("console"); // what the console says about it
    const QByteArray data = ":0100000055AA\n", data1 = ":010001006698\n", end = ":00000001FF\n";
    const QMap<int, int> at0{{0, 0x55}}, at1{{1, 0x66}};
    QTest::newRow("segment 0") << ":020000020000FC\n" + data + end << at0 << ""
                               << "Extended addressing: the records that follow are based at H0";
    QTest::newRow("segment 0010: relocated") << ":020000020010EC\n" + data + end << QMap<int, int>{{0x100, 0x55}} << ""
                                             << "based at H100";
    QTest::newRow("linear 0") << ":020000040000FA\n" + data + end << at0 << ""
                              << "Extended addressing";
    QTest::newRow("linear 0001: beyond") << ":020000040001F9\n" + data + end << QMap<int, int>{}
                                         << "data for address 10000"
                                         << "Data for address 10000, beyond the last address 1FFF in above line";
    QTest::newRow("start segment (03)") << ":0400000300001000E9\n" + data + end << at0 << ""
                                        << "Start address record skipped";
    QTest::newRow("start linear (05)") << ":0400000500001000E7\n" + data + end << at0 << ""
                                       << "Start address record skipped";
    for (const char *type : {"00", "01", "02", "03", "04", "05"}) {
        const QByteArray empty =
            ":000000" + QByteArray(type)
            + QByteArray::number(quint8(-QByteArray(type).toInt(nullptr, 16)), 16).rightJustified(2, '0').toUpper()
            + "\n";
        QTest::newRow(qPrintable("count 0, type " + QString(type) + ": the end")) << data + empty + data1 << at0 << ""
                                                                                  << "";
    }
    QTest::newRow("digits after the checksum")
        << data1 + ":0100000055AA00\n" + end << at1 << "2 digits after the checksum"
        << "2 digits after the checksum in above line";
    QTest::newRow("short record") << data1 + ":01000000\n"
                                  << at1 << "record too short"
                                  << "Record too short";
    QTest::newRow("bad checksum") << data1 + ":0100000055AB\n"
                                  << at1 << "bad checksum AB"
                                  << "Check sum error in above line";
    QTest::newRow("non-hex digit") << data1 + ":01000000G5AA\n"
                                   << at1 << "'G' is not a hex digit"
                                   << "'G' is not a hex digit";
    QTest::newRow("unknown type") << data1 + ":0100000755A3\n"
                                  << at1 << "unknown record type 07"
                                  << "Unknown record type 07 in above line";
    QTest::newRow("odd digits") << data1 + ":0100000055A\n"
                                << at1 << "odd number"
                                << "Odd number";
    QTest::newRow("two values, one address") << data + ":010000006699\n"
                                             << at0 << "address 0000 is given 66 here but 55"
                                             << "is given 66 here";
    QTest::newRow("one value twice") << data + data + end << at0 << ""
                                     << "";
    QTest::newRow("lower case, CR LF") << QByteArray(":0100000055aa\r\n:010001006698\r\n")
                                       << QMap<int, int>{{0, 0x55}, {1, 0x66}} << ""
                                       << "";
}

void TestProgrammer::bothReadersAgreeOnEveryRecord()
{
    QFETCH(QByteArray, file);
    QFETCH(Cells, written);
    QFETCH(QString, fault);
    QFETCH(QString, console);
    const HexImage image = HexImage::parse(file, 0x1FFF);
    QCOMPARE(image.ok(), fault.isEmpty());
    if (image.ok()) {
        QMap<int, int> bytes;
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
    QMap<int, int> chip;
    for (const auto &ins : b.target->instructions()) {
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
        if (ins.op == SimulatedChip::Op::WriteProgram)
            chip[ins.address] = ins.value;
    }
    QCOMPARE(chip, written);
    QVERIFY2(b.screen.contains(console), qPrintable(b.screen));
    QVERIFY(!b.controlsShown);
}

QTEST_MAIN(TestProgrammer)
#include "tst_programmer.moc"
