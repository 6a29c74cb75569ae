// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/UserDialogs.h"

#include <QString>
#include <optional>

class ChipMemory;

// What the console needs of the main window.
class ConsoleHost
{
public:
    virtual ~ConsoleHost() = default;

    virtual void print(const QString &text) = 0; // through the view and the log
    virtual void setTextColour(quint32 rgb) = 0; // 0xRRGGBB
    virtual void setCaption(const QString &text) = 0;
    virtual std::optional<QString> chooseFile(const FileDialog::Request &request) = 0;
    virtual MessageBox &messages() = 0;
    // A download begins or ends: the "Cancel Send" button and the progress bar come and go with it.
    virtual void setDownloadRunning(bool running) = 0;
    virtual void setProgress(int maximum, int value) = 0;
    virtual void leaveProgrammingMode() = 0;
    virtual ChipMemory &chip() = 0;
};
