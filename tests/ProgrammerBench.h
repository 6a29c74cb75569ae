// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeDialogs.h"
#include "common/AppState.h"
#include "console/ConsoleHost.h"
#include "programmer/Programmer.h"
#include "serial/MSComm.h"
#include "simulator/SimulatedBoard.h"

#include <QPointer>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

// A board whose adapter drops one request, or goes away, once it has let some clock changes
// through; or whose line never drains (flow control held off for good).
class FlakyBoard : public SimulatedBoard
{
public:
    using SimulatedBoard::SimulatedBoard;
    static inline const QString kReason = QStringLiteral("adapter dropped the request");
    int passBeforeFault = -1;
    bool unplugs = false;
    bool stuck = false;
    Failure setBreak(bool on) override
    {
        if (passBeforeFault < 0 || passBeforeFault-- != 0)
            return SimulatedBoard::setBreak(on);
        if (!unplugs)
            return kReason;
        unplug();
        return SimulatedBoard::setBreak(on);
    }
    qint64 bytesToWrite() const override { return stuck ? 5 : SimulatedBoard::bytesToWrite(); }
};

// Nothing malformed, cut short or too soon reached the chip.
inline void verifyOnlyWholeTimelyInstructions(const SimulatedChip &chip)
{
    QCOMPARE(chip.violations(), 0);
    QCOMPARE(chip.pendingBits(), 0);
    for (const SimulatedChip::Instruction &ins : chip.instructions())
        QVERIFY2(ins.accepted, qPrintable(ins.refusal));
}

// The lines last left low on a tracing chip (never raised counts as low): reset (DTR), clock
// (break) and data (RTS) unless others are named.
inline bool linesReleased(const SimulatedChip &chip,
                          std::initializer_list<SimulatedChip::Line> lines = {
                              SimulatedChip::Line::Reset, SimulatedChip::Line::Clock, SimulatedChip::Line::Data})
{
    std::map<SimulatedChip::Line, bool> last;
    for (const auto &event : chip.trace())
        last[event.line] = event.level;
    return std::none_of(lines.begin(), lines.end(), [&last](SimulatedChip::Line line) { return last[line]; });
}

// The programmer against the simulated chip, through the same serial control the real port uses.
struct Bench : ConsoleHost
{
    std::shared_ptr<SimulatedChip> target = std::make_shared<SimulatedChip>();

    explicit Bench(bool inverterOnBoard = false, bool invertSetting = false)
        : comm([this, inverterOnBoard](int, QString *) {
            auto made = std::make_unique<SimulatedBoard>(target, inverterOnBoard);
            board = made.get();
            return made;
        })
    {
        programmer.setInvertsData(invertSetting);
        scale(0.01);
        QVERIFY(!comm.open());
        QVERIFY(!control.holdInReset());
    }
    // The programmer's waits and the chip's needs shortened alike.
    void scale(double factor)
    {
        driver.setWaitScale(factor);
        target->setTimeScale(factor);
    }
    void print(const QString &text) override
    {
        screen += text;
        if (onPrint)
            onPrint(text);
    }
    void setTextColour(quint32) override {}
    void setCaption(const QString &text) override { caption = text; }
    std::optional<QString> chooseFile(const FileDialog::Request &) override { return file; }
    MessageBox &messages() override { return box; }
    void setDownloadRunning(bool running) override { controlsShown = running; }
    void setProgress(int, int) override
    {
        if (onProgress)
            onProgress();
    }
    void leaveProgrammingMode() override { app.ProgMode = false; }
    ChipMemory &chip() override { return memory; }

    AppState app;
    QPointer<SimulatedBoard> board;
    MSComm comm;
    Programmer programmer{comm};
    LineDriver &driver = programmer.driver();
    TargetControl &control = programmer.target();
    ChipMemory &memory = programmer.chip();
    FakeMessageBox box;
    QString screen, caption;
    std::optional<QString> file;
    bool controlsShown = false;
    std::function<void(const QString &)> onPrint;
    std::function<void()> onProgress;
};
