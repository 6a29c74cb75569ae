// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "terminal/SignalWatch.h"

class WidgetFileDialog;
class WidgetMessageBox;
class frmTerminal;

// SIGTERM, SIGHUP and SIGINT (a logout, a service manager, kill, Ctrl-C in the shell that started
// it) end the window promptly whatever box is up or would come: the dialogs stop asking, then the
// window closes as its close box does without asking, still closing the port and the log and
// storing what it can; what could not be stored goes to standard error.
class Terminations : public QObject
{
    Q_OBJECT
public:
    Terminations(frmTerminal &window, WidgetMessageBox &messages, WidgetFileDialog &files, QObject *parent = nullptr);

private:
    SignalWatch m_watch;
};
