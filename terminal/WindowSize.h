// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

class QWidget;

// The size a window starts with: the stored width and height in twips where they make sense, its
// design size otherwise, and always within the screen (a size saved on a larger screen, or a
// damaged value such as 1e9, must not give a window that cannot be seen whole).
QSize storedWindowSize(const QWidget &window, QSize design, const QString &storedWidth, const QString &storedHeight);
