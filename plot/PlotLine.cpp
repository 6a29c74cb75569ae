// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/PlotLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace {
constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

bool isSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t';
}

double numberOrGap(QByteArrayView token)
{
    return parsePlotNumber(token).value_or(kGap);
}
} // namespace

std::optional<double> parsePlotNumber(QByteArrayView token)
{
    const bool plus = token.startsWith('+'); // from_chars takes a minus sign only
    if (plus)
        token = token.sliced(1);
    if (token.isEmpty() || (plus && token.front() == '-'))
        return std::nullopt;
    const char *const end = token.data() + token.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    if (stop != end)
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: the wider type tells which.
        long double wide = 0;
        const auto [wideStop, wideError] = std::from_chars(token.data(), end, wide);
        if (wideError == std::errc() && std::fabs(wide) < 1)
            return 0.0;
        return std::nullopt;
    }
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

PlotFields parsePlotLine(QByteArrayView line)
{
    PlotFields fields;
    bool labelWaits = false; // the last field was "label:", its number may follow apart
    for (qsizetype at = 0; at < line.size();) {
        if (isSeparator(line[at])) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < line.size() && !isSeparator(line[end]))
            ++end;
        const QByteArrayView token = line.sliced(at, end - at);
        at = end;
        const qsizetype colon = token.lastIndexOf(':');
        if (colon < 0 && std::exchange(labelWaits, false)) {
            fields.back().value = numberOrGap(token);
        } else if (colon < 0) {
            fields.append({{}, numberOrGap(token)});
        } else {
            labelWaits = colon == token.size() - 1;
            fields.append({token.first(colon), numberOrGap(token.sliced(colon + 1))});
        }
    }
    if (std::none_of(fields.cbegin(), fields.cend(), [](const PlotField &f) { return !std::isnan(f.value); }))
        fields.clear();
    return fields;
}
