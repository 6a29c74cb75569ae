// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgrammerBench.h"
#include "adapter/FtdiBackend.h"
#include "programmer/ChipError.h"
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
        QVERIFY(rig.start());
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
};

QTEST_MAIN(TestAdapter)
#include "tst_adapter.moc"
