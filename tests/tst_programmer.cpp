#include "ProgrammerBench.h"
#include "common/AppState.h"
#include "common/Hex.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/ChipError.h"
#include "programmer/ChipMemory.h"
#include "programmer/LineDriver.h"
#include "programmer/Timer3.h"
#include "serial/MSComm.h"
#include "serial/SimulatedBoard.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using Space = SimulatedChip::Space;

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
    void badRecordsWriteNothing_data();
    void badRecordsWriteNothing();
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

void TestProgrammer::badRecordsWriteNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad checksum") << QByteArray(":020100001234B8\n") << "Check sum error in above line";
    QTest::newRow("non-hex") << QByteArray(":0201000012G4B7\n") << "'G' is not a hex digit (column 12) in above line";
    QTest::newRow("truncated") << QByteArray(":02010000123") << "Odd number of hex digits (11) in above line";
    QTest::newRow("beyond space") << QByteArray(":02FFFF001234BA\n")
                                  << "Data for address FFFF, beyond the last address 1FFF in above line";
}

void TestProgrammer::badRecordsWriteNothing()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QFile f(dir.filePath("bad.hex"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    Bench b;
    b.app.ProgMode = true;
    b.app.DataSpace = false;
    b.file = f.fileName();
    Module1 console(b, b.app);
    console.HexDownload();
    QVERIFY2(b.screen.contains(message), qPrintable(b.screen));
    for (const auto &ins : b.target->instructions())
        QCOMPARE(ins.op, SimulatedChip::Op::ProgrammingEnable);
}

QTEST_MAIN(TestProgrammer)
#include "tst_programmer.moc"
