// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <bitset>
#include <optional>
#include <span>
#include <vector>

// The last samples of up to kMaxSeries series: a rolling window of at most capacity() samples.
// A sample's X is its number since the last clear, counting the lines that carried a number, as
// serial plotters count them; a series that began later holds gaps (NaN) before its start.
class PlotSamples
{
public:
    static constexpr int kMaxSeries = 16;
    using SeriesSet = std::bitset<kMaxSeries>;
    struct Range
    {
        double lower;
        double upper;
    };

    explicit PlotSamples(qsizetype capacity);

    // One value a series, in series order; a longer list adds series.
    void append(std::span<const double> values);
    // Keeps the newest samples that fit.
    void setCapacity(qsizetype capacity);
    void clear();

    qsizetype capacity() const { return m_capacity; }
    int seriesCount() const { return int(m_columns.size()); }
    // The X of the oldest sample held, and the X after the newest.
    qint64 first() const { return m_end - m_count; }
    qint64 end() const { return m_end; }
    // NaN for a gap and outside what is held.
    double value(int series, qint64 x) const;
    // The smallest and largest value of the series not excluded, or nothing without one.
    std::optional<Range> range(SeriesSet excluded) const;

private:
    std::vector<std::vector<double>> m_columns; // a ring each: sample x at x % capacity
    qsizetype m_capacity;
    qsizetype m_count = 0;
    qint64 m_end = 0;
};
