// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Twips.h"

#include <QWidget>
#include <vector>

// A window laid out in twips for the font it was drawn with, shown in the font in use: every
// control keeps its place in the arrangement, and the whole grows alike until each caption,
// list and field shows whole.
class TwipsLayout
{
public:
    // The control at its designed place, in twips of its parent.
    template <typename W>
    W *place(W *widget, int left, int top, int width, int height)
    {
        m_items.push_back({widget, QRect(left, top, width, height)});
        widget->setGeometry(Twips::rect(left, top, width, height));
        return widget;
    }

    // Sets every place at the smallest scale, 1 or more, at which everything fits; the window's
    // own size in twips grows with it. Returns the scale.
    double apply(QWidget *window, QSize windowTwips);

    // How much larger than its place a control needs to be; 1 when it fits.
    static double shortfall(const QWidget *w);

private:
    struct Item
    {
        QWidget *widget;
        QRect twips;
    };
    static int scaled(int twips, double scale) { return int(std::lround(twips * scale)); }
    double largestShortfall() const;

    std::vector<Item> m_items;
};
