// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/PlotSamples.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
}

PlotSamples::PlotSamples(qsizetype capacity)
    : m_capacity(std::max<qsizetype>(1, capacity))
{}

void PlotSamples::append(std::span<const double> values)
{
    const auto count = std::min<size_t>(values.size(), kMaxSeries);
    while (m_columns.size() < count)
        m_columns.emplace_back(size_t(m_capacity), kGap);
    const auto slot = size_t(m_end % m_capacity);
    for (size_t series = 0; series < m_columns.size(); ++series)
        m_columns[series][slot] = series < count ? values[series] : kGap;
    ++m_end;
    m_count = std::min(m_count + 1, m_capacity);
}

void PlotSamples::setCapacity(qsizetype capacity)
{
    capacity = std::max<qsizetype>(1, capacity);
    if (capacity == m_capacity)
        return;
    const qsizetype kept = std::min(m_count, capacity);
    for (std::vector<double> &column : m_columns) {
        std::vector<double> resized(size_t(capacity), kGap);
        for (qint64 x = m_end - kept; x < m_end; ++x)
            resized[size_t(x % capacity)] = column[size_t(x % m_capacity)];
        column = std::move(resized);
    }
    m_capacity = capacity;
    m_count = kept;
}

void PlotSamples::clear()
{
    m_columns.clear();
    m_count = 0;
    m_end = 0;
}

double PlotSamples::value(int series, qint64 x) const
{
    if (series < 0 || series >= seriesCount() || x < first() || x >= m_end)
        return kGap;
    return m_columns[size_t(series)][size_t(x % m_capacity)];
}

std::optional<PlotSamples::Range> PlotSamples::range(SeriesSet excluded) const
{
    double lower = std::numeric_limits<double>::infinity();
    double upper = -lower;
    for (size_t series = 0; series < m_columns.size(); ++series) {
        if (excluded.test(series))
            continue;
        // Slots not yet filled hold gaps, which every comparison passes over.
        for (const double v : m_columns[series]) {
            lower = std::fmin(lower, v);
            upper = std::fmax(upper, v);
        }
    }
    if (lower > upper)
        return std::nullopt;
    return Range{lower, upper};
}
