#include "KeyTyper.h"
#include "TerminalFixture.h"
#include "serial/SimulatedBoard.h"
#include "terminal/TerminalView.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString banner(bool data)
{
    return kCrLf + "Console mode - use HEX" + kCrLf + (data ? "Data memory space" : "Program memory space")
           + "Commands  M, P, D, X, V, H, ?" + kCrLf;
}

QColor textColour(frmTerminal &w)
{
    return w.view()->palette().color(QPalette::Text);
}
QColor background(frmTerminal &w)
{
    return w.view()->palette().color(QPalette::Base);
}

} // namespace

// The console as a user drives it: keys typed into the view against the simulated board, the
// console's output read back from the log, which takes it byte for byte.
class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void bannerAndSpaceCommands();
    void enteringAndLeavingSetColoursAndReset();
    void helpBlock();
    void viewListsAlignedRows_data();
    void viewListsAlignedRows();
    void viewStaysInsideTheSpace();
    void modifyStepsWritesAndFinishes();
    void modifyBoundsItsAddresses();
    void modifyRefusesAnInvalidAddress();
    void resetPulsesDtrThenSendsOneSpace();
    void resetWithPortClosedSendsNothing();
    void programmedChipIsKeptAcrossOpens();
    void portListStaysWhileTheConsoleRuns();
    void closingTheWindowLeavesTheConsole();
    void closingTheWindowStopsADownload();

private:
    frmTerminal &start();
    QString runConsole(const QString &keys, std::function<void(int)> beforeKey = {}, const QString &hexFile = {});

    QTemporaryDir m_dir;
    std::unique_ptr<TerminalFixture> m_f;
};

void TestConsole::init()
{
    m_f = std::make_unique<TerminalFixture>();
}

frmTerminal &TestConsole::start()
{
    m_f->set("CommPort", "16");
    frmTerminal &w = m_f->start();
    w.mnuOpen_Click();
    return w;
}

QString TestConsole::runConsole(const QString &keys, std::function<void(int)> beforeKey, const QString &hexFile)
{
    frmTerminal &w = m_f->window ? *m_f->window : start();
    const QString logPath = m_dir.filePath(QStringLiteral("console-%1.log").arg(QDateTime::currentMSecsSinceEpoch()));
    m_f->files.choices.push_back(logPath);
    w.mnuOpenLog_Click();
    if (!hexFile.isEmpty())
        m_f->files.choices.push_back(hexFile); // what H asks for
    KeyTyper typer(w, keys);
    typer.beforeKey = std::move(beforeKey);
    QTimer::singleShot(20000, &w, [&w] { w.app().ProgMode = false; }); // a stuck script must not hang
    w.mmuProg_Click();
    w.mnuCloseLog_Click();
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return QStringLiteral("<no log>");
    return QString::fromLatin1(log.readAll());
}

void TestConsole::bannerAndSpaceCommands()
{
    const QString out = runConsole(QStringLiteral("pz\nDx"));
    const QString expected = banner(true)                                            // on entry
                             + banner(true) + "Program memory space" + banner(false) // p
                             + banner(false)                                         // z
                             + banner(false)                                         // Enter
                             + banner(false) + "Data memory space" + banner(true)    // D
                             + banner(true);                                         // x
    QCOMPARE(out, expected);
}

void TestConsole::enteringAndLeavingSetColoursAndReset()
{
    frmTerminal &w = start();
    QColor bgInside, textInside, textAfterP;
    bool resetInside = false;
    runConsole(QStringLiteral("Px"), [&](int index) {
        if (index == 0) {
            bgInside = background(w);
            textInside = textColour(w);
            resetInside = m_f->chip->inReset();
        } else {
            textAfterP = textColour(w);
        }
    });
    QCOMPARE(bgInside, QColor(Qt::black));
    QCOMPARE(textInside, QColor(255, 255, 255));
    QVERIFY(resetInside);
    QCOMPARE(textAfterP, QColor(255, 255, 0));

    QCOMPARE(background(w), QApplication::palette().color(QPalette::Base));
    QCOMPARE(textColour(w), QColor(0, 0, 255));
    QVERIFY(!m_f->chip->inReset());
    QVERIFY(m_f->window->app().DataSpace); // the next entry starts in data memory again
    QVERIFY(!m_f->window->app().ProgMode);

    // Program memory is not remembered: the next entry is white on black again.
    QColor textNextTime;
    runConsole(QStringLiteral("x"), [&](int) { textNextTime = textColour(w); });
    QCOMPARE(textNextTime, QColor(255, 255, 255));
}

void TestConsole::helpBlock()
{
    const QString out = runConsole(QStringLiteral("?x"));
    const QString help =
        kCrLf + "Help: - " + kCrLf + "M - Modify a byte or bytes in the current memory space" + kCrLf
        + "P - Select current space as Program or Code space" + kCrLf + "D - Select current space as Data space" + kCrLf
        + "X - Exit Console mode" + kCrLf + "V - View memory area as address;bytes;ascii" + kCrLf
        + "H - Hex download. Programms selected memory area using hex file" + kCrLf + "? - This" + kCrLf;
    QCOMPARE(out, banner(true) + banner(true) + help + banner(true) + banner(true));
}

void TestConsole::viewListsAlignedRows_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("listing");
    // Data memory 0x00..0x1F holds its own address, except 0x0E = 0x1F and 0x0F = 0x7E:
    // in the ASCII column 31 shows as its character, 126 as a dot.
    QTest::newRow("partial first row") << QStringLiteral("5\n12\n")
                                       << kCrLf + "0005 05 06 07 08 09 0A 0B 0C 0D 1F 7E " + QString(20, ' ')
                                              + QString(9, '.') + QChar(0x1F) + "." + kCrLf + "0010 10 11 12 "
                                              + QString(44, ' ') + "..." + kCrLf;
    QTest::newRow("aligned start") << QStringLiteral(
        "10\n11\n") << kCrLf + "0010 " + QString(53, ' ') + kCrLf + "0010 10 11 " + QString(47, ' ') + ".." + kCrLf;
}

void TestConsole::viewListsAlignedRows()
{
    QFETCH(QString, keys);
    QFETCH(QString, listing);
    start();
    for (int a = 0; a < 0x20; ++a)
        m_f->chip->poke(SimulatedChip::Space::Data, a, quint8(a));
    m_f->chip->poke(SimulatedChip::Space::Data, 0x0E, 0x1F);
    m_f->chip->poke(SimulatedChip::Space::Data, 0x0F, 0x7E);
    const QString out = runConsole(QStringLiteral("v") + keys + QStringLiteral("x"));
    QVERIFY2(out.contains(listing), qPrintable(out));
    QVERIFY(out.contains(kCrLf + "Start Address  (return for 0):"));
    QVERIFY(out.contains(kCrLf + "End Address  (return for 0):"));
}

void TestConsole::viewStaysInsideTheSpace()
{
    start();
    // End beyond the data memory: the listing stops at 07FF and nothing past it reaches the chip.
    const QString out = runConsole(QStringLiteral("v7FE\n900\nv\n\nv800\n900\nx"));
    QVERIFY2(out.contains(kCrLf + "07FE FF FF " + QString(47, ' ') + ".." + kCrLf), qPrintable(out));
    // Enter keeps both defaults: the same listing again.
    QCOMPARE(out.count(kCrLf + "07FE FF FF "), 2);
    QVERIFY(out.contains(kCrLf + "Maximum address is H7ff" + kCrLf));
    for (const auto &ins : m_f->chip->instructions())
        QVERIFY2(ins.address <= 0x7FF, qPrintable(QString::number(ins.address, 16)));
}

void TestConsole::modifyStepsWritesAndFinishes()
{
    start();
    auto &chip = *m_f->chip;
    chip.poke(SimulatedChip::Space::Program, 0x100, 0x3F);
    chip.poke(SimulatedChip::Space::Program, 0x101, 0x20);
    chip.poke(SimulatedChip::Space::Program, 0x102, 0x21);
    // p to program memory; M at 100: write 12, previous, next, next, write 00 at 102, Enter, finish.
    const QString out = runConsole(QStringLiteral("pm100\n12pnn00\n.x"));
    const QString commands = kCrLf + "Commands - \"n\"-next, \"p\"-prevoius, \".\"-finish \"CR\" - re-fetch byte";
    const QString prompt = kCrLf + "Address  (return for 0):";
    const QString steps = kCrLf + "0100 : 3F \"?\" >" + kCrLf + "0101 : 20 \".\" >" + kCrLf + "0100 : 12 \".\" >"
                          + kCrLf + "0101 : 20 \".\" >" + kCrLf + "0102 : 21 \"!\" >" + kCrLf + "0103 : FF \".\" >"
                          + kCrLf + "0103 : FF \".\" >";
    QVERIFY2(out.contains(commands + prompt + steps + banner(false)), qPrintable(out));
    QCOMPARE(chip.read(SimulatedChip::Space::Program, 0x100), quint8(0x12));
    QCOMPARE(chip.read(SimulatedChip::Space::Program, 0x102), quint8(0x00));
    QCOMPARE(m_f->window->app().CurrentAddress, 0x103); // M leaves the address it showed last
}

void TestConsole::modifyBoundsItsAddresses()
{
    start();
    auto &chip = *m_f->chip;
    // Data: 1000 starts at 07FF; n stays; a write there stays there too.
    // Program: 2000 starts at 1FFF; n stays. Four digits end the address entry without Enter.
    const QString out = runConsole(QStringLiteral("m1000nAB.pm2000n.x"));
    QVERIFY2(out.contains(kCrLf + "Maximum data address is H7ff" + kCrLf + "07FF : FF \".\" >" + kCrLf
                          + "07FF : FF \".\" >" + kCrLf + "07FF : AB \".\" >"),
             qPrintable(out));
    QVERIFY(out.contains(kCrLf + "Maximum programm address is H1fff" + kCrLf + "1FFF : FF \".\" >" + kCrLf
                         + "1FFF : FF \".\" >"));
    QCOMPARE(chip.read(SimulatedChip::Space::Data, 0x7FF), quint8(0xAB));
    for (const auto &ins : chip.instructions()) {
        const bool data = ins.op == SimulatedChip::Op::ReadData || ins.op == SimulatedChip::Op::WriteData;
        QVERIFY(ins.address <= (data ? 0x7FF : 0x1FFF));
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
    }
}

void TestConsole::modifyRefusesAnInvalidAddress()
{
    const QString out = runConsole(QStringLiteral("mnm1G\nx"));
    const QString refused = kCrLf + "Address  (return for 0):" + "Invalid Hex " + kCrLf + kCrLf + "Invalid hex";
    QCOMPARE(out.count(refused), 2);
    QVERIFY(m_f->chip->instructions().isEmpty());
}

void TestConsole::resetPulsesDtrThenSendsOneSpace()
{
    frmTerminal &w = start();
    QElapsedTimer clock;
    clock.start();
    w.mmuReset_Click();
    const qint64 took = clock.elapsed();
    const auto &events = m_f->chip->resetEvents();
    QCOMPARE(events.size(), std::size_t(2));
    QVERIFY(events[0].level && !events[1].level);
    const double pulseMs = (events[1].atNs - events[0].atNs) / 1e6;
    QVERIFY2(pulseMs >= 99 && pulseMs < 150, qPrintable(QString::number(pulseMs)));
    QVERIFY2(took >= 599 && took < 800, qPrintable(QString::number(took)));
    // The firmware heard exactly one space: its banner, once, and no key shown in the view.
    QTRY_COMPARE(w.view()->toPlainText(), QString::fromLatin1(" " + SimulatedBoard::kBanner).replace("\r\n", "\n"));
}

void TestConsole::resetWithPortClosedSendsNothing()
{
    frmTerminal &w = m_f->start();
    w.mmuReset_Click();
    QTest::qWait(50);
    QCOMPARE(w.view()->toPlainText(), QString());
    QVERIFY(m_f->messages.shown.isEmpty());
}

void TestConsole::programmedChipIsKeptAcrossOpens()
{
    const QString folder = m_dir.filePath(QStringLiteral("chip"));
    {
        auto chip = std::make_shared<SimulatedChip>();
        SimulatedBoard board(chip);
        board.keepChipIn(folder);
        QVERIFY(!board.open({}));
        chip->poke(SimulatedChip::Space::Program, 0x1FFF, 0x5A);
        chip->poke(SimulatedChip::Space::Data, 0x000, 0xA5);
    } // closing saves
    auto chip = std::make_shared<SimulatedChip>();
    SimulatedBoard board(chip);
    board.keepChipIn(folder);
    QVERIFY(!board.open({}));
    QCOMPARE(chip->read(SimulatedChip::Space::Program, 0x1FFF), quint8(0x5A));
    QCOMPARE(chip->read(SimulatedChip::Space::Data, 0x000), quint8(0xA5));
    QCOMPARE(chip->read(SimulatedChip::Space::Data, 0x001), SimulatedChip::kErased);
    board.close();

    // An image that cannot be read refuses the open with its reason.
    QVERIFY(QFile::remove(folder + "/program.bin"));
    QVERIFY(QDir(folder).mkdir("program.bin"));
    SimulatedBoard refused(std::make_shared<SimulatedChip>());
    refused.keepChipIn(folder);
    const Failure failure = refused.open({});
    QVERIFY(failure && failure->contains("program.bin"));
    QVERIFY(!refused.isOpen());
}

void TestConsole::portListStaysWhileTheConsoleRuns()
{
    frmTerminal &w = start();
    int portDuring = 0;
    bool openDuring = false, resetDuring = false;
    const QString out = runConsole(QStringLiteral("v0\n1\nx"), [&](int index) {
        if (index != 1)
            return;
        w.cboPort_Click(2); // the user picks Com3 in the toolbar's list
        portDuring = w.comm().CommPort();
        openDuring = w.comm().PortOpen();
        resetDuring = m_f->chip->inReset();
    });
    QCOMPARE(portDuring, 16);
    QVERIFY(openDuring && resetDuring);
    QVERIFY(m_f->messages.shown.isEmpty());
    QVERIFY2(out.contains(kCrLf + "0000 FF FF "), qPrintable(out)); // the listing still read the chip
}

void TestConsole::closingTheWindowLeavesTheConsole()
{
    frmTerminal &w = start();
    bool resetBeforeClose = false;
    runConsole(QStringLiteral("p"), [&](int) {
        resetBeforeClose = m_f->chip->inReset();
        w.close();
    });
    QVERIFY(resetBeforeClose);
    QVERIFY(!m_f->window->app().ProgMode);
    QVERIFY(!m_f->chip->inReset());
    QTRY_VERIFY(!w.comm().PortOpen());                // the window closes once the console has ended
    QCOMPARE(m_f->get("FormWidth").isEmpty(), false); // the window saved its state on the way out
}

void TestConsole::closingTheWindowStopsADownload()
{
    frmTerminal &w = start();
    const QString hex = m_dir.filePath(QStringLiteral("long.hex"));
    QFile file(hex);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int address = 0; address < 100; ++address) {
        const int sum = 0x01 + address + 0x55;
        const QByteArray record =
            QByteArray::fromHex("01") + char(address >> 8) + char(address) + '\0' + '\x55' + char(-sum & 0xFF);
        file.write(':' + record.toHex().toUpper() + "\r\n");
    }
    file.close();
    QElapsedTimer clock;
    clock.start();
    // The close comes once the first records are written, well before the hundredth.
    QTimer closer;
    connect(&closer, &QTimer::timeout, &w, [&] {
        if (m_f->chip->memory(SimulatedChip::Space::Program).at(1) == char(0x55))
            w.close();
    });
    closer.start(10);
    runConsole(QStringLiteral("ph"), {}, hex);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!m_f->window->app().ProgMode);
    QVERIFY(!m_f->chip->inReset());
    QTRY_VERIFY(!w.comm().PortOpen());
    for (const auto &ins : m_f->chip->instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
    QVERIFY(m_f->chip->pendingBits() == 0); // no instruction cut in half by the close
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
