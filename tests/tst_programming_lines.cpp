#include "FlakyBoard.h"
#include "KeyTyper.h"
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "settings/frmProperties.h"
#include "terminal/TerminalView.h"

#include <QPointer>
#include <QtTest>
#include <termios.h>

namespace {

using Space = SimulatedChip::Space;

// The terminal settings of a device the window holds open: the test runs in its process.
std::optional<termios> openSettings(const QString &path)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        termios settings{};
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == device && ::tcgetattr(fd.toInt(), &settings) == 0)
            return settings;
    }
    return std::nullopt;
}

// The window on Com16, a board kept in hand, its waits and the chip's needs a tenth long.
template <typename Board = SimulatedBoard>
struct Window : TerminalFixture
{
    QPointer<Board> simulated;

    Window()
    {
        waits.chipScale = 0.1;
        set(QStringLiteral("CommPort"), QStringLiteral("16"));
        board = [this] {
            auto made = std::make_unique<Board>(chip);
            simulated = made.get();
            return made;
        };
    }
    // Programming mode with the keys typed as a user would; what the view shows afterwards.
    QString console(const QString &keys, std::function<void(int)> beforeKey = {})
    {
        KeyTyper typer(*window, keys);
        typer.beforeKey = std::move(beforeKey);
        QTimer::singleShot(20000, window.get(), [this] { window->app().ProgMode = false; });
        window->mmuProg_Click();
        return window->view()->toPlainText();
    }
};

void verifyChipSawOnlyWholeTimelyInstructions(const SimulatedChip &chip)
{
    QCOMPARE(chip.violations(), 0);
    QCOMPARE(chip.pendingBits(), 0);
    for (const SimulatedChip::Instruction &ins : chip.instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
}

} // namespace

class TestProgrammingLines : public QObject
{
    Q_OBJECT
private slots:
    void everyFlowControlModeResetsAndPrograms_data();
    void everyFlowControlModeResetsAndPrograms();
    void pseudoTerminalHasNoModemLinesAndKeepsItsFlowControl();
    void lineFaultIsReportedOnceAndTheNextCommandStartsCleanly();
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
    QVERIFY(f.simulated);
    QCOMPARE(f.simulated->format().handshaking, mode);

    // RTS/CTS is set aside only while the lines are driven: XON/XOFF stays.
    int duringPulse = -1;
    QTimer::singleShot(5, &w, [&] { duringPulse = f.simulated->format().handshaking; });
    w.mmuReset_Click();
    QCOMPARE(duringPulse, mode & 1);
    QCOMPARE(f.chip->resetEvents().size(), std::size_t(2));
    QTRY_VERIFY(w.view()->toPlainText().contains(QStringLiteral("Tavro simulated board ready")));

    int duringConsole = -1;
    const QString out = f.console(QStringLiteral("m10\n5A.v10\n11\nx"),
                                  [&](int) { duringConsole = f.simulated->format().handshaking; });
    QCOMPARE(duringConsole, mode & 1);
    QCOMPARE(f.simulated->format().handshaking, mode);
    QVERIFY2(out.contains(QStringLiteral("\n0010 5A FF ")), qPrintable(out));
    QCOMPARE(f.chip->read(Space::Data, 0x10), quint8(0x5A));
    QVERIFY(f.messages.shown.isEmpty());
    verifyChipSawOnlyWholeTimelyInstructions(*f.chip);
    QCOMPARE(f.simulated->breaksHeard(), 0); // the clock never left break on for the firmware
    QVERIFY(!f.chip->inReset());
}

void TestProgrammingLines::pseudoTerminalHasNoModemLinesAndKeepsItsFlowControl()
{
    PtyPair pty;
    QVERIFY(pty.ready());
    TerminalFixture f;
    f.waits.chipScale = 0.1;
    f.devices[2] = pty.a();
    f.set(QStringLiteral("CommPort"), QStringLiteral("2"));
    f.set(QStringLiteral("Handshaking"), QStringLiteral("2"));
    frmTerminal &w = f.start();
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    const auto rtsCts = [&] { return (openSettings(pty.a()).value().c_cflag & CRTSCTS) != 0; };
    QVERIFY(rtsCts());

    const QString noLines = pty.a() + QStringLiteral(" has no modem-control lines");
    w.mmuReset_Click();
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].text, noLines);
    QVERIFY(rtsCts());

    std::optional<bool> rtsCtsInConsole;
    KeyTyper typer(w, QStringLiteral("v0\n1\nx"));
    typer.beforeKey = [&](int) { rtsCtsInConsole = rtsCts(); };
    w.mmuProg_Click();
    QCOMPARE(rtsCtsInConsole, false);
    QVERIFY(rtsCts());
    QCOMPARE(w.view()->toPlainText().count(noLines), 1);
    QCOMPARE(f.messages.shown.size(), 1);
}

void TestProgrammingLines::lineFaultIsReportedOnceAndTheNextCommandStartsCleanly()
{
    Window<FlakyBoard> f;
    f.start().mnuOpen_Click();
    // M at 10: the write of AB loses a clock change in its first byte; M again writes it whole.
    const QString out = f.console(QStringLiteral("m10\nABm10\nAB.x"), [&](int key) {
        if (key == 4)
            f.simulated->passBeforeFault = 5;
    });
    QCOMPARE(out.count(FlakyBoard::kReason), 1);
    QVERIFY2(out.contains(QStringLiteral("\n") + FlakyBoard::kReason + QStringLiteral("\n")), qPrintable(out));
    QCOMPARE(f.chip->read(Space::Data, 0x10), quint8(0xAB));
    verifyChipSawOnlyWholeTimelyInstructions(*f.chip);
    // Held at entry, pulsed for the clean frame, released at X.
    std::vector<bool> edges;
    for (const SimulatedChip::LineEvent &event : f.chip->resetEvents())
        edges.push_back(event.level);
    QCOMPARE(edges, (std::vector<bool>{true, false, true, false}));
}

void TestProgrammingLines::propertiesRefuseWhatTheDeviceCannotDo_data()
{
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<uint>("cflags"); // set on the open device (a pseudo-terminal keeps 8 data bits)
    QTest::addColumn<uint>("iflags");
    QTest::newRow("1.5 stop bits, 8 data bits")
        << "8"
        << "1.5" << 0 << "1.5 stop bits go only with 5 data bits, not 8" << 0u << 0u;
    QTest::newRow("4 data bits") << "4"
                                 << "1" << 0 << "4 data bits are not supported by this device" << 0u << 0u;
    QTest::newRow("1.5 stop bits, 5 data bits") << "5"
                                                << "1.5" << 0 << "" << uint(CSTOPB) << 0u;
    QTest::newRow("RTS/CTS and XON/XOFF") << "8"
                                          << "1" << 3 << "" << uint(CRTSCTS) << uint(IXON | IXOFF);
}

void TestProgrammingLines::propertiesRefuseWhatTheDeviceCannotDo()
{
    QFETCH(QString, refusal);
    QFETCH(uint, cflags);
    QFETCH(uint, iflags);
    PtyPair pty;
    QVERIFY(pty.ready());
    TerminalFixture f;
    f.devices[2] = pty.a();
    frmTerminal &w = f.start();
    frmProperties &d = w.propertiesDialog();
    d.cboPort->setCurrentIndex(1);
    QFETCH(QString, dataBits);
    QFETCH(QString, stopBits);
    QFETCH(int, mode);
    d.cboDataBits->setCurrentText(dataBits);
    d.cboStopBits->setCurrentText(stopBits);
    d.optFlow[mode]->setChecked(true);
    const QPointer<frmProperties> dialog = &d;
    if (!refusal.isEmpty()) {
        QVERIFY(!d.cmdOK_Click());
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].text, pty.a() + ": " + refusal);
        QCOMPARE(f.get(QStringLiteral("Settings")), QStringLiteral("<none>"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog); // the dialog stays
        // A stored value from before: start-up takes it, the open names it in one message.
        TerminalFixture stored;
        stored.devices[2] = pty.a();
        stored.set(QStringLiteral("CommPort"), QStringLiteral("2"));
        stored.set(QStringLiteral("Settings"), QStringLiteral("9600,n,%1,%2").arg(dataBits, stopBits));
        stored.start().mnuOpen_Click();
        QCOMPARE(stored.messages.shown.size(), 1);
        QCOMPARE(stored.messages.shown[0].text, pty.a() + ": " + refusal);
        return;
    }
    QVERIFY(d.cmdOK_Click());
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.get(QStringLiteral("Settings")), QStringLiteral("9600,n,%1,%2").arg(dataBits, stopBits));
    w.mnuOpen_Click();
    QVERIFY2(w.comm().PortOpen(), qPrintable(f.messages.shown.value(0).text));
    const termios settings = openSettings(pty.a()).value();
    QCOMPARE(settings.c_cflag & (CSTOPB | CRTSCTS), cflags);
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), iflags);
}

QTEST_MAIN(TestProgrammingLines)
#include "tst_programming_lines.moc"
