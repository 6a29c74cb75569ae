#pragma once

#include "terminal/UserDialogs.h"

#include <QColor>
#include <QString>
#include <optional>

class ChipMemory;

// What the console needs of the main window.
class ConsoleHost
{
public:
    virtual ~ConsoleHost() = default;

    virtual void print(const QString &text) = 0; // through the view and the log
    virtual void setTextColour(const QColor &colour) = 0;
    virtual void setCaption(const QString &text) = 0;
    virtual std::optional<QString> chooseFile(const FileDialog::Request &request) = 0;
    virtual MessageBox &messages() = 0;
    // The "Cancel Send" button and the progress bar of a download.
    virtual void showDownloadControls(bool visible) = 0;
    virtual void setProgress(int maximum, int value) = 0;
    virtual void leaveProgrammingMode() = 0;
    virtual ChipMemory &chip() = 0;
};
