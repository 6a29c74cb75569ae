// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's name, as captions, message boxes and the settings store spell it.
inline const QString kAppTitle = QStringLiteral("Tavro Terminal");
// The main window's ordinary caption.
inline const QString kMainWindowTitle = QStringLiteral("Terminal");
