// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QVarLengthArray>
#include <optional>

// A line of a board's report as serial plotters read it: fields separated by spaces, commas or
// tabs (a run of them is one separator), each a plain number ("512") or a label and a number
// ("temp:21.5"; "temp: 21.5" too, as boards often print it). Numbers are decimal, signed, with
// or without a fraction and an exponent.
struct PlotField
{
    QByteArrayView label; // empty when the field has none: then its place in the line names it
    double value;         // NaN when the field holds no number: a gap in its series, not a zero
};
using PlotFields = QVarLengthArray<PlotField, 16>;

// The line's fields, or none when not one of them holds a number.
PlotFields parsePlotLine(QByteArrayView line);

// The number the whole token spells. NaN, infinities and numbers beyond a double's range are
// refused; a number below the smallest double is zero.
std::optional<double> parsePlotNumber(QByteArrayView token);
