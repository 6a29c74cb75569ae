// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/BackendChoice.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/Programmer.h"

#include <QObject>
#include <QSet>
#include <functional>

class PortControl;
class PropertiesModel;
struct AppState;

// Programming mode: the chip held in reset on the port's lines (or the adapter's bit-bang where
// the port offers it), the console that runs inside "Prog" until X, and "ResetCPU"'s pulse.
class ProgrammingMode : public QObject, public ConsoleHost
{
    Q_OBJECT
public:
    static constexpr quint32 kReceivedTextColour = 0x0000FF; // blue, outside programming mode

    struct Services
    {
        MessageBox &messages;
        FileDialog &files;
        // What a port offers the programmer besides its modem lines; none: the lines always.
        std::function<BitbangOffer(int port)> bitbangOf;
        double chipScale = 1.0;
    };

    ProgrammingMode(Services services, PortControl &port, AppState &app, PropertiesModel &properties,
                    QObject *parent = nullptr);

    // Enters programming mode and runs the console until it ends; in programming mode, leaves it.
    void mmuProg_Click();
    // Reset pulsed on DTR, then time for the firmware to start.
    Failure pulseReset();
    // The console and its download stop at their next step; the chip stays held until they have.
    void stop();
    bool holdsTarget() const { return m_holdingTarget; }
    // The console sleeps until a key comes.
    bool atPrompt() const;
    bool downloadRunning() const { return m_downloadRunning; }
    qint32 downloadAddress() const { return m_console.downloadAddress(); }
    // The one-shot timer the chip's waits and the text sender's pacing share.
    Timer3 &timer() { return m_programmer.timer(); }

    // ConsoleHost
    void print(const QString &text) override { emit printed(text); }
    void setTextColour(quint32 rgb) override { emit textColourChanged(rgb); }
    void setCaption(const QString &text) override { emit captionChanged(text); }
    std::optional<QString> chooseFile(const FileDialog::Request &request) override;
    MessageBox &messages() override { return m_services.messages; }
    void setDownloadRunning(bool running) override;
    void setProgress(int maximum, int value) override { emit progressChanged(maximum, value); }
    void leaveProgrammingMode() override;
    ChipMemory &chip() override { return m_programmer.chip(); }

signals:
    void printed(const QString &text); // through the view and the log
    void textColourChanged(quint32 rgb);
    void captionChanged(const QString &caption);
    void progressChanged(int maximum, int value); // a negative maximum keeps the last one
    void programmingChanged(bool on);             // the view turns black, and back
    void drawRequested();                         // what came before is on the screen first
    void stateChanged();                          // the chip held or freed, a download began or ended

private:
    bool enter();    // false: it could not begin, and has ended again
    Failure leave(); // what refused to release the chip, if anything did
    void warnIf(const Failure &failure);
    bool takeBackend();
    void giveBackBackend();

    Services m_services;
    PortControl &m_port;
    AppState &m_app;
    PropertiesModel &m_properties;
    Programmer m_programmer;
    BackendChoice m_backend;    // bit-bang while programming mode holds an FTDI chip in it
    QSet<QString> m_linesAfter; // devices whose bit-bang failed this run: their fallback was said
    Module1 m_console{*this, m_app};
    bool m_downloadRunning = false;
    bool m_holdingTarget = false; // from entering until the console has ended
};
