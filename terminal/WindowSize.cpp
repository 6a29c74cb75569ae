// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/WindowSize.h"

#include "common/Twips.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <optional>

QSize storedWindowSize(const QWidget &window, QSize design, const QString &storedWidth, const QString &storedHeight)
{
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    const QScreen *screen = QApplication::primaryScreen();
    const QSize largest = screen ? screen->availableGeometry().size() - frame : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize smallest = window.minimumSizeHint().expandedTo(QSize(1, 1)).boundedTo(largest);
    auto stored = [](const QString &text, int frameExtent, int lowest, int highest) -> std::optional<int> {
        bool ok = false;
        const double twips = text.toFloat(&ok);
        if (!ok || !(twips > 0))
            return std::nullopt;
        // Clamped before rounding, so that an infinite or huge value cannot overflow.
        const double pixels = std::min(twips / Twips::kPerPixel, double(highest) + frameExtent);
        return std::clamp(int(std::lround(pixels)) - frameExtent, lowest, highest);
    };
    QSize size = design.boundedTo(largest);
    if (const auto width = stored(storedWidth, frame.width(), smallest.width(), largest.width()))
        size.setWidth(*width);
    if (const auto height = stored(storedHeight, frame.height(), smallest.height(), largest.height()))
        size.setHeight(*height);
    return size;
}
