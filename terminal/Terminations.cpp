// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/Terminations.h"

#include "terminal/WidgetDialogs.h"
#include "terminal/frmTerminal.h"

Terminations::Terminations(frmTerminal &window, WidgetMessageBox &messages, WidgetFileDialog &files, QObject *parent)
    : QObject(parent)
{
    connect(&m_watch, &SignalWatch::received, this, [&window, &messages, &files] {
        messages.endInteraction();
        files.endInteraction();
        window.closeWithoutAsking();
    });
}
