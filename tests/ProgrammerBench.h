#pragma once

#include "FakeDialogs.h"
#include "common/AppState.h"
#include "console/ConsoleHost.h"
#include "programmer/ChipMemory.h"
#include "programmer/LineDriver.h"
#include "programmer/Timer3.h"
#include "serial/MSComm.h"
#include "serial/SimulatedBoard.h"

#include <memory>

// The programmer against the simulated chip, through the same serial control the real port uses.
struct Bench : ConsoleHost
{
    std::shared_ptr<SimulatedChip> target = std::make_shared<SimulatedChip>();

    explicit Bench(bool inverterOnBoard = false, bool invertSetting = false)
        : comm([this, inverterOnBoard](int, QString *) {
            return std::make_unique<SimulatedBoard>(target, inverterOnBoard);
        })
        , driver(comm, timer, [invertSetting] { return invertSetting; })
        , memory(driver, comm)
    {
        driver.setWaitScale(0.01);
        (void)comm.setPortOpen(true);
        (void)comm.setDTREnable(true);
    }
    void print(const QString &text) override { screen += text; }
    void setTextColour(quint32) override {}
    void setCaption(const QString &text) override { caption = text; }
    std::optional<QString> chooseFile(const FileDialog::Request &) override { return file; }
    MessageBox &messages() override { return box; }
    void setDownloadRunning(bool running) override { controlsShown = running; }
    void setProgress(int, int) override {}
    void leaveProgrammingMode() override { app.ProgMode = false; }
    ChipMemory &chip() override { return memory; }

    AppState app;
    MSComm comm;
    Timer3 timer;
    LineDriver driver;
    ChipMemory memory;
    FakeMessageBox box;
    QString screen, caption;
    std::optional<QString> file;
    bool controlsShown = false;
};
