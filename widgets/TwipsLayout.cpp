// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TwipsLayout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <algorithm>
#include <cmath>

double TwipsLayout::apply(QWidget *window, QSize windowTwips)
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

double TwipsLayout::shortfall(const QWidget *w)
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

double TwipsLayout::largestShortfall() const
{
    double largest = 1.0;
    for (const Item &item : m_items)
        largest = std::max(largest, shortfall(item.widget));
    return largest;
}
