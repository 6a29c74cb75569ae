// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The facts that decide which commands the main window offers.
struct CommandFacts
{
    bool portOpen = false; // as the port reports it
    bool logOpen = false;
    bool lastTextFile = false; // a last text file is named
    bool progMode = false;
    bool transferRunning = false;  // from the file choice until the transfer ends
    bool downloadRunning = false;  // the console's HEX download
    bool waitingForDevice = false; // the port lost its device and reopens when it is back
    bool plotOn = false;
};

// Enabled and checked states of every menu, menu item, toolbar button and connection indicator.
struct CommandStates
{
    bool menus = true; // "&File", "&CommPort" and "&About"; their items are reachable only with them
    bool mnuSendText = false;
    bool mnuResendTextFile = false;
    bool mnuOpenLog = true;
    bool mnuCloseLog = false;
    bool mnuSavePlot = false;
    bool mnuOpenChecked = false;
    // Toolbar buttons, by key.
    bool OpenLogFile = true;
    bool CloseLogFile = false;
    bool Properties = true;
    bool TransmitTextFile = false;
    bool ResendTextFile = false;
    bool ResetCPU = true;
    bool Prog = false;
    bool imgConnectedShown = false; // the red imgNotConnected shows whenever the green one does not
    bool imgConnectedEnabled = true;
    bool indicatorWaits = false;   // the red indicator says the port waits for its device
    bool downloadControls = false; // "Cancel Send" and the progress bar

    bool operator==(const CommandStates &) const = default;
};

CommandStates commandStates(const CommandFacts &facts);
