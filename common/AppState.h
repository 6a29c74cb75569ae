// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The application-wide state shared by the terminal, the text sender and the console. The main
// window owns the one instance and hands it to whoever needs it.
struct AppState
{
    bool LocalEcho = false;  // echo typed keys locally
    bool StopSending = true; // stop the running text transfer; true while none runs
    bool ProgMode = false;   // programming mode and its console are active
    bool DataSpace = true;   // the console works on data memory (false: program memory)
    quint16 ConsoleKey = 0;  // last key typed in programming mode, 0 for none
    qint32 CurrentAddress = 0;
    bool CancelSend = false; // stop the running Intel-HEX download
};
