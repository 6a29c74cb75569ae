// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <cmath>

// Window sizes and positions are kept in twips (1/1440 inch), 15 to a pixel at 96 dpi.
namespace Twips {
constexpr double kPerPixel = 15.0;

inline int toPixels(double twips)
{
    return int(std::lround(twips / kPerPixel));
}

inline double fromPixels(int pixels)
{
    return pixels * kPerPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}
} // namespace Twips
