// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyTyper.h"
#include "ProgrammerBench.h"
#include "TestFiles.h"
#include "adapter/FtdiBackend.h"
#include "prog/ProgRun.h"
#include "programmer/ChipError.h"
#include "programmer/HexWriter.h"
#include "serial/PortListing.h"
#include "serial/PortMap.h"
#include "serial/UsbFacts.h"
#include "session/TerminalSession.h"
#include "settings/SettingsStore.h"
#include "simulator/FtdiModel.h"

#include <QtTest>

using Space = SimulatedChip::Space;
using Op = SimulatedChip::Op;

namespace {

// The programmer through a modelled FTDI adapter in bit-bang; the port itself is never opened.
struct FtdiRig
{
    explicit FtdiRig(FtdiModel::Chip type = FtdiModel::kFT232R, FtdiPins backendPins = {})
        : model(chip, type)
        , backend(model, backendPins)
    {
        chip->setTimeScale(0.01);
        programmer.driver().setWaitScale(0.01);
        programmer.useBackend(&backend);
    }
    // Bit-bang begun and the chip held in reset.
    bool start() { return !backend.begin() && !programmer.target().holdInReset(); }
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    FtdiModel model;
    FtdiBackend backend;
    MSComm comm{[](int, QString *) { return std::unique_ptr<SerialDevice>(); }};
    Programmer programmer{comm};
    ChipMemory &memory = programmer.chip();
};

// Every instruction, one by one and in runs; the chip must then hold and answer exactly this.
void everyInstruction(Programmer &programmer, SimulatedChip &chip)
{
    ChipMemory &memory = programmer.chip();
    QVERIFY(!programmer.target().holdInReset());
    memory.ProgrammingEnable();
    memory.WriteDataMemory(0x7FF, 0x5A);
    memory.WriteProgramMemory(0x1FFF, 0xA5);
    QVERIFY(!chip.poke(Space::Program, 0x1234, 0xC3));
    QCOMPARE(memory.ReadProgramMemory(0x1234), quint8(0xC3));
    QCOMPARE(memory.ReadDataMemory(0x7FF), quint8(0x5A));
    memory.writeMany(false, {{0x10, 0x01}, {0x11, 0xFE}, {0x12, 0x80}});
    QCOMPARE(memory.readMany(false, {0x10, 0x11, 0x12, 0x1FFF}), QByteArray::fromHex("01FE80A5"));
    QCOMPARE(chip.instructions()[1].bytes, (std::array<quint8, 3>{0x3E, 0xFF, 0x5A}));
    QCOMPARE(chip.instructions().size(), 12);
    verifyOnlyWholeTimelyInstructions(chip);
    // A reset pulse ends the frame; the chip is released after it.
    QVERIFY(!programmer.target().pulseReset());
    QVERIFY(!chip.inReset());
    QCOMPARE(chip.resetEvents().back().atNs - chip.resetEvents().end()[-2].atNs >= 100 * 1000000 * 0.01, true);
}

// tavro-prog in process against the simulated board, with a modelled FTDI chip wired to the same
// chip; opener says what opening it for bit-bang gives.
struct ProgRig
{
    std::shared_ptr<SimulatedChip> chip = std::make_shared<SimulatedChip>();
    int opened = 0;
    FtdiOpener opener = [this](QString *) {
        ++opened;
        return std::make_unique<FtdiModel>(chip);
    };
    QString mapBackend = QStringLiteral("auto"); // as the port map asks for the port
    QString out, err;

    int run(const QStringList &arguments)
    {
        out.clear(), err.clear();
        chip->setTimeScale(0.01);
        const CommandLine commandLine(QStringList{"tavro-prog"} + arguments, StoredDefaults{});
        QTextStream outStream(&out), errStream(&err);
        ProgRun run(commandLine.options(), {outStream, errStream, nullptr, {}, {10000, 1500, 0.01}});
        const PortChoice port{16,
                              [this](int, QString *) { return std::make_unique<SimulatedBoard>(chip); },
                              QStringLiteral("Com16"),
                              QStringLiteral("a board"),
                              opener,
                              mapBackend};
        return run.exec([&port](const QString &, QString *) { return port; });
    }
};

} // namespace

class TestAdapter : public QObject
{
    Q_OBJECT
private slots:
    void everyInstructionThroughEveryBackEnd()
    {
        Bench lines;
        everyInstruction(lines.programmer, *lines.target);
        for (const FtdiModel::Chip &type : {FtdiModel::kFT232R, FtdiModel::kFT2232D, FtdiModel::kFT232H}) {
            FtdiRig rig(type);
            QVERIFY(!rig.backend.begin());
            everyInstruction(rig.programmer, *rig.chip);
            QCOMPARE(rig.chip->clocksOutsideReset(), 0);
        }
    }

    void bitBangStartsWithoutAnEdge()
    {
        // Held in reset by the UART (the window's programming mode), then handed to bit-bang.
        FtdiRig rig;
        rig.chip->setTracing(true);
        rig.model.setUartLines(false, true, false);
        const std::size_t before = rig.chip->trace().size();
        QVERIFY(!rig.backend.begin());
        QCOMPARE(rig.chip->trace().size(), before);
        QVERIFY(rig.chip->inReset());
    }

    void modelSamplesJustBeforeEachState()
    {
        // A read of 0x1234 by hand: each bit stands from the clock's fall until the next fall, so a
        // back end that takes CTS a state early, or a clock late, reads wrong.
        FtdiRig rig(FtdiModel::kFT232H);
        QVERIFY(rig.start());
        rig.memory.ProgrammingEnable();
        QVERIFY(!rig.chip->poke(Space::Program, 0x1234, 0xC3));
        const quint8 idle = 0xFF & ~0x10; // reset set, clock and data low
        QByteArray states;
        for (quint8 byte : {quint8(0x91), quint8(0x34), quint8(0)})
            for (int bit = 7; bit >= 0; --bit) {
                const quint8 data = (byte >> bit) & 1 ? quint8(idle & ~0x04) : idle;
                states += char(data);
                states += char(data & ~0x01);
            }
        states += QByteArray(2, char(idle));
        QByteArray back;
        QVERIFY(!rig.model.write(states) && !rig.model.read(back, int(states.size())));
        for (const auto &[shift, expected] : {std::pair{0, true}, {1, true}, {-1, false}, {2, false}}) {
            int value = 0;
            for (int bit = 0; bit < 8; ++bit) // CTS as the state before each of the last eight clocks left it
                value = value * 2 + ((quint8(back.at(32 + 2 * bit + 1 + shift)) & 0x08) == 0);
            QCOMPARE(value == 0xC3, expected);
        }
    }

    void wrongWiringOrRateFails_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("RTS and DTR swapped") << 0;
        QTest::newRow("pins twice as fast as asked") << 1;
        QTest::newRow("unplugged") << 2;
    }

    void wrongWiringOrRateFails()
    {
        QFETCH(int, fault);
        FtdiRig rig(FtdiModel::kFT232R, fault == 0 ? FtdiPins{0x01, 0x10, 0x08, 0x04} : FtdiPins{});
        rig.model.setRateFactor(fault == 1 ? 2 : 1);
        // Pins faster than asked are refused; driven all the same, the chip would refuse them.
        QCOMPARE(rig.backend.begin().value_or("").contains("would shorten the chip's waits"), fault == 1);
        QVERIFY(!rig.programmer.target().holdInReset());
        if (fault == 2)
            rig.model.unplug();
        try {
            rig.memory.ProgrammingEnable();
            rig.memory.writeMany(true, {{0x20, 0x22}, {0x21, 0x33}});
            QVERIFY(fault != 2);
        } catch (const ChipError &e) {
            QVERIFY2(fault == 2 && e.description().contains("unplugged"), qPrintable(e.description()));
            return;
        }
        QCOMPARE(rig.chip->read(Space::Data, 0x21), SimulatedChip::kErased);
        QVERIFY(rig.chip->violations() > 0 || fault == 0);
    }

    void modelSplitsAndDelaysTransfers()
    {
        auto chip = std::make_shared<SimulatedChip>();
        FtdiModel model(chip);
        QVERIFY(!model.setSyncBitbang(0x15) && !model.setPinRate(FtdiBackend::kPinRate));
        QVERIFY(model.write(QByteArray(129, '\xFF'))->contains("more than its buffer of 128"));
        for (int chunk = 0; chunk < 3; ++chunk)
            QVERIFY(!model.write(QByteArray(128, '\xFF')));
        QVERIFY(model.write(QByteArray(1, '\xFF'))->contains("overrun"));
        // Each request's answer comes a round trip after it was made.
        QByteArray back;
        const qint64 start = chip->nowNs();
        QVERIFY(!model.read(back, 384));
        QVERIFY(chip->nowNs() - start >= 384 * 4000 + 1000000 - 1000000 / 2);
        FtdiRig rig;
        QVERIFY(!rig.backend.begin());
        const int before = rig.model.requests();
        rig.memory.writeMany(false, {{0, 1}, {1, 2}, {2, 3}, {3, 4}});
        QVERIFY2(rig.model.requests() - before < 8, qPrintable(QString::number(rig.model.requests() - before)));
    }

    void progThroughTheModel()
    {
        QTemporaryDir dir;
        const QByteArray image = QByteArray::fromHex("5AA53C0FF01234C300FF");
        const QString file = writeFile(dir, "p.hex", HexWriter::toIntelHex(0x100, image));
        ProgRig rig;
        QCOMPARE(rig.run({"--backend", "ftdi", "--verbose", "write", file}), int(kDone));
        QVERIFY2(rig.out.contains("Back end: FTDI synchronous bit-bang") && rig.err.isEmpty(), qPrintable(rig.err));
        QCOMPARE(rig.chip->memory(Space::Program).mid(0x100, image.size()), image);
        const auto &log = rig.chip->instructions();
        QCOMPARE(std::count_if(log.begin(), log.end(), [](const auto &i) { return i.op == Op::WriteProgram; }),
                 image.size());
        verifyOnlyWholeTimelyInstructions(*rig.chip);
        QVERIFY(!rig.chip->inReset());
        // auto takes bit-bang where the device has it.
        QCOMPARE(rig.run({"verify", file}), int(kDone));
        QCOMPARE(rig.run({"read", "--range", "100-109", "-o", dir.filePath("r.hex")}), int(kDone));
        QCOMPARE(fileContents(dir.filePath("r.hex")), HexWriter::toIntelHex(0x100, image));
        QCOMPARE(rig.opened, 3);
    }

    void backendChosenAlikeByWriteAndProbe_data()
    {
        QTest::addColumn<QString>("wish");    // --backend; empty: none given
        QTest::addColumn<QString>("mapWish"); // the port map's ComNBackend
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // on standard error, whole
        QTest::addColumn<bool>("bitbang");
        const QString lines = "; programming through the port's modem lines instead\n";
        const QString forced = " (--backend ftdi; --backend lines uses the port's modem lines)\n";
        const QString noChip = "tavro-prog: Com16: a board is no FTDI chip with synchronous bit-bang" + forced;
        const auto row = [](const char *name, const char *wish, const char *mapWish, const char *adapter, int status,
                            QString message, bool bitbang = false) {
            QTest::newRow(name) << wish << mapWish << adapter << status << message << bitbang;
        };
        row("auto, no FTDI chip: the lines", "auto", "auto", "none", kDone, "");
        row("auto, an FTDI chip: bit-bang", "", "auto", "model", kDone, "", true);
        row("lines on an FTDI chip", "lines", "auto", "fast", kDone, "");
        row("ftdi, no FTDI chip", "ftdi", "auto", "none", kPortFailure, noChip);
        row("the map's ftdi, no FTDI chip", "", "ftdi", "none", kPortFailure,
            "tavro-prog: Com16: a board is no FTDI chip with synchronous bit-bang (Com16Backend=ftdi in the port "
            "map; --backend lines uses the port's modem lines)\n");
        row("the map's ftdi, --backend lines", "lines", "ftdi", "model", kDone, "");
        row("the map's lines, --backend ftdi", "ftdi", "lines", "model", kDone, "", true);
        row("auto, no permission", "auto", "auto", "refused", kDone, "tavro-prog: Com16: no permission" + lines);
        row("ftdi, no permission", "ftdi", "auto", "refused", kPortFailure,
            "tavro-prog: Com16: no permission" + forced);
        row("auto, pins too fast", "auto", "auto", "fast", kDone,
            "tavro-prog: Com16: the adapter's pins run at 500000 states a second where 250000 were asked, which "
            "would shorten the chip's waits; use the port's modem lines (--backend lines)"
                + lines);
    }

    void backendChosenAlikeByWriteAndProbe()
    {
        QFETCH(QString, wish);
        QFETCH(QString, mapWish);
        QFETCH(QString, adapter);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, bitbang);
        QTemporaryDir dir;
        ProgRig rig;
        rig.mapBackend = mapWish;
        if (adapter == "none")
            rig.opener = {};
        else if (adapter == "refused")
            rig.opener = [](QString *error) { return *error = "no permission", std::unique_ptr<FtdiBus>(); };
        else if (adapter == "fast")
            rig.opener = [&rig](QString *) {
                auto model = std::make_unique<FtdiModel>(rig.chip);
                model->setRateFactor(2);
                return model;
            };
        const QByteArray image = QByteArray::fromHex("C3A5");
        const QStringList asked = wish.isEmpty() ? QStringList() : QStringList{"--backend", wish};
        for (const QStringList &command :
             {QStringList{"--verbose", "write", writeFile(dir, "p.hex", HexWriter::toIntelHex(0, image))},
              QStringList{"probe"}}) {
            QCOMPARE(rig.run(asked + command), status);
            if (message.contains("states a second")) // measured: about twice the rate
                rig.err.replace(QRegularExpression("run at \\d+"), "run at 500000");
            QCOMPARE(rig.err, message);
            QCOMPARE(rig.out.contains("Back end: FTDI synchronous bit-bang"), bitbang);
        }
        QCOMPARE(rig.chip->memory(Space::Program).left(2) == image, status == kDone);
        QVERIFY(!rig.chip->inReset());
    }

    void sysfsTellsWhichDevicesHaveBitbang()
    {
        QTemporaryDir dir;
        const QString ftdi = dir.filePath("ftdi"), other = dir.filePath("other"), dev = dir.filePath("ttyUSB1");
        fakeSysfs(ftdi, "ttyUSB1", "0403", "6010");
        fakeSysfs(other, "ttyUSB1", "067b", "2303");
        QVERIFY(!writeFile(dir, "ttyUSB1", "").isEmpty());
        const std::optional<UsbFacts> facts = UsbFacts::of(dev, ftdi);
        QVERIFY(facts && facts->hasSyncBitbang() && facts->driver == "ftdi_sio" && facts->description == "FT2232H");
        QVERIFY(facts->id() == "0403:6010" && facts->bus == 1 && facts->address == 7 && facts->interfaceNumber == 1);
        QVERIFY(!UsbFacts::of(dev, other)->hasSyncBitbang() && !UsbFacts::of("/dev/null", ftdi));
        // The port map asks for a back end; the device behind the port offers bit-bang or not.
        const PortMap map(
            writeFile(dir, "ports.ini", "[Ports]\nCom3=" + dev.toUtf8() + "\nCom3Backend=FTDI\nCom4Backend=x\n"));
        QString error;
        const std::optional<PortChoice> port = choosePort("Com3", map, &error, ftdi);
        QVERIFY(port && port->ftdi && port->backend == "ftdi");
        QVERIFY(!choosePort("Com3", map, &error, other)->ftdi && map.backend(4) == "auto");
        QCOMPARE(map.warnings(), QStringList{map.filePath()
                                             + ": [Ports] Com4Backend=x is not auto, lines or ftdi; auto "
                                               "is used instead"});
    }

    void listingSaysWhatStandsBehindEachPort()
    {
        QTemporaryDir dir;
        const QString sys = dir.filePath("sys"), byId = dir.filePath("by-id"), usb = dir.filePath("ttyUSB1");
        const QString link = byId + "/usb-FTDI_FT2232H_A1B2-if01-port0", uart = sys + "/devices/pnp0/00:05";
        fakeSysfs(sys, "ttyUSB1", "0403", "6010", "A1B2");
        // A UART as newer kernels show it: the serial core's own port device between the tty and its driver.
        for (const QString &folder : {uart + "/00:05:0.0", sys + "/class/tty/ttyS4", sys + "/bus/serial-base/port",
                                      sys + "/bus/pnp/serial", byId})
            QVERIFY(QDir().mkpath(folder));
        for (const auto &[target, name] :
             QList<std::pair<QString, QString>>{{uart + "/00:05:0.0", sys + "/class/tty/ttyS4/device"},
                                                {sys + "/bus/serial-base/port", uart + "/00:05:0.0/driver"},
                                                {sys + "/bus/serial-base", uart + "/00:05:0.0/subsystem"},
                                                {sys + "/bus/pnp/serial", uart + "/driver"},
                                                {usb, link}})
            QVERIFY(QFile::link(target, name));
        QVERIFY(!writeFile(dir, "ttyUSB1", "").isEmpty() && !writeFile(dir, "ttyS4", "").isEmpty());
        const PortMap map(writeFile(dir, "ports.ini",
                                    QStringLiteral("[Ports]\nCom3=%1\nCom4=%2\nCom5=%3/ttyS4\nCom6=/dev/none\n")
                                        .arg(link, usb, dir.path())
                                        .toUtf8()));
        const QString listing = portListing(map, sys, byId), indent = "\n       ";
        const QString expected = "\nCom3   " + link + " (port map)" + indent + usb
                                 + ", ftdi_sio, USB 0403:6010, serial A1B2, "
                                   "\"FT2232H\"\nCom4   "
                                 + usb + " (port map)" + indent
                                 + "ftdi_sio, USB 0403:6010, serial "
                                   "A1B2, \"FT2232H\""
                                 + indent + link + "\nCom5   " + dir.path() + "/ttyS4 (port map)" + indent
                                 + "serial\nCom6   /dev/none (port map)" + indent + "not present\n";
        QVERIFY2(listing.contains(expected), qPrintable(listing));
        QVERIFY(listing.contains("\nCom16  simulated-board (built in)\n"));
        QVERIFY(listing.endsWith("\nPort map: " + map.filePath() + "\n"));
    }

    void windowHandsThePortBackAfterBitbang()
    {
        // "Prog" on a port with an FTDI chip: the console programs through bit-bang; after "X" the
        // port is a terminal again with its settings.
        auto chip = std::make_shared<SimulatedChip>();
        chip->setTimeScale(0.01);
        MemorySettingsStore store;
        FakeMessageBox messages;
        FakeFileDialog files;
        int opened = 0;
        const FtdiOpener model = [&](QString *) { return ++opened, std::make_unique<FtdiModel>(chip); };
        TerminalSession session({store,
                                 messages,
                                 files,
                                 [chip](int, QString *) { return std::make_unique<SimulatedBoard>(chip); },
                                 {10000, 1500, 0.01},
                                 [&model](int) {
                                     return BitbangOffer{"auto", model, "a"};
                                 }});
        std::ignore = store.WriteSetting(kAppTitle, "Properties", "Settings", "19200,e,7,2");
        session.start();
        session.togglePort();
        QStringList statuses;
        QObject::connect(&session, &TerminalSession::statusChanged, [&](const QString &text) { statuses << text; });
        // M 10: the data byte at 10, written 42, then X; meanwhile bit-bang holds the chip and the
        // port shows as it was.
        bool shownOpen = true;
        QObject::connect(&session, &TerminalSession::textChanged, &session,
                         [&] { shownOpen = shownOpen && session.facts().portOpen; });
        KeyTyper typer(session, QStringLiteral("m10\n42.x"));
        session.toggleProgramming();
        QVERIFY(shownOpen && statuses.count("Settings: 19200,e,7,2") == statuses.size());
        QVERIFY(session.facts().portOpen && session.portSettings() == "19200,e,7,2");
        QVERIFY(opened == 1 && messages.shown.isEmpty() && !chip->inReset());
        QCOMPARE(chip->read(Space::Data, 0x10), quint8(0x42));
        verifyOnlyWholeTimelyInstructions(*chip);
    }
};

QTEST_MAIN(TestAdapter)
#include "tst_adapter.moc"
