#pragma once

#include "common/Twips.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QWidget>
#include <algorithm>
#include <vector>

// A window laid out in twips for the font it was drawn with, shown in the font in use: every
// control keeps its place in the arrangement, and the whole grows alike until each caption,
// list and field shows whole. Header-only, for the windows that have widgets.
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
    double apply(QWidget *window, QSize windowTwips)
    {
        double scale = 1.0;
        for (int pass = 0; pass < 3; ++pass) { // wrapped labels need their new width first
            const double need = std::max(scale, scale * largestShortfall());
            if (need <= scale + 1e-6)
                break;
            scale = need;
            for (const Item &item : m_items)
                item.widget->setGeometry(Twips::rect(scaled(item.twips.left(), scale), scaled(item.twips.top(), scale),
                                                     scaled(item.twips.width(), scale),
                                                     scaled(item.twips.height(), scale)));
        }
        window->setFixedSize(
            Twips::rect(0, 0, scaled(windowTwips.width(), scale), scaled(windowTwips.height(), scale)).size());
        return scale;
    }

    // How much larger than its place a control needs to be; 1 when it fits.
    static double shortfall(const QWidget *w)
    {
        const QSize hint = w->sizeHint();
        const QSize size = w->size();
        if (size.isEmpty())
            return 1.0;
        const auto *label = qobject_cast<const QLabel *>(w);
        if (label && label->wordWrap())
            return double(label->heightForWidth(size.width())) / size.height();
        const bool captioned = label || qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QComboBox *>(w)
                               || qobject_cast<const QGroupBox *>(w) || qobject_cast<const QTabBar *>(w);
        const double tall = double(hint.height()) / size.height();
        return captioned ? std::max(double(hint.width()) / size.width(), tall) : tall;
    }

private:
    struct Item
    {
        QWidget *widget;
        QRect twips;
    };
    static int scaled(int twips, double scale) { return int(std::lround(twips * scale)); }
    double largestShortfall() const
    {
        double largest = 1.0;
        for (const Item &item : m_items)
            largest = std::max(largest, shortfall(item.widget));
        return largest;
    }

    std::vector<Item> m_items;
};
