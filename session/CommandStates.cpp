// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/CommandStates.h"

CommandStates commandStates(const CommandFacts &f)
{
    // A transfer keeps its own commands off; programming mode keeps every command off.
    const bool transmit = f.portOpen && !f.transferRunning;
    const bool resend = transmit && f.lastTextFile;
    const bool buttons = !f.progMode;
    CommandStates s;
    s.menus = !f.progMode;
    s.mnuSendText = transmit;
    s.mnuResendTextFile = resend;
    s.mnuOpenLog = !f.logOpen;
    s.mnuCloseLog = f.logOpen;
    s.mnuSavePlot = f.plotOn;
    s.mnuOpenChecked = f.portOpen || f.waitingForDevice;
    s.OpenLogFile = buttons && !f.logOpen;
    s.CloseLogFile = buttons && f.logOpen;
    s.Properties = buttons;
    s.TransmitTextFile = buttons && transmit;
    s.ResendTextFile = buttons && resend;
    s.ResetCPU = buttons;
    s.Prog = buttons && f.portOpen && !f.transferRunning; // a transfer would resume against a chip just reset
    s.imgConnectedShown = f.portOpen;
    s.imgConnectedEnabled = !f.progMode;
    s.indicatorWaits = f.waitingForDevice;
    s.downloadControls = f.downloadRunning;
    return s;
}
