// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A path as messages show it: beyond kShownPathLength characters only its start and its end
// (where the file name is) remain, joined by "...", so a damaged or hostile path cannot flood
// a message or a terminal.
inline constexpr qsizetype kShownPathLength = 200;

QString shownPath(const QString &path);
