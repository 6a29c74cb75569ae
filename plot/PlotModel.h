// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "plot/LineSplitter.h"
#include "plot/PlotSamples.h"

#include <QByteArrayView>
#include <QObject>
#include <QStringList>

// The numbers a board prints, as series to plot: fed the received bytes as they arrive, it
// splits them into lines, reads each line's fields (PlotLine.h) and keeps the last window()
// samples. A series is named by its label, or by its place in the line ("1", "2", ...), in the
// order first seen; the 17th name and after are ignored. Paused, it goes on taking samples but
// shows what it held when paused until resumed. Memory stays bounded by the window.
class PlotModel : public QObject
{
    Q_OBJECT
public:
    using Range = PlotSamples::Range;
    static constexpr int kMaxSeries = PlotSamples::kMaxSeries;
    static constexpr qsizetype kDefaultWindow = 500;
    static constexpr qsizetype kMinWindow = 50;
    static constexpr qsizetype kMaxWindow = 100'000;

    explicit PlotModel(QObject *parent = nullptr);

    void receive(QByteArrayView bytes);

    // Clamped to kMinWindow..kMaxWindow.
    void setWindow(qsizetype points);
    qsizetype window() const { return m_live.capacity(); }
    void setPaused(bool paused);
    bool isPaused() const { return m_frozen.has_value(); }
    // Forgets every sample and series; X starts again at 0.
    void clear();
    // How many clears so far: a view that counted fewer draws again from nothing.
    int clears() const { return m_clears; }

    void setHidden(int series, bool hidden);
    bool isHidden(int series) const { return series < kMaxSeries && m_hidden.test(size_t(series)); }
    // A fixed Y range, or nothing to scale Y to what is shown; refused unless lower < upper.
    Failure setFixedRange(std::optional<Range> range);
    std::optional<Range> fixedRange() const { return m_fixed; }
    // What the Y axis shows: the fixed range, or what the shown series span with a margin.
    Range yRange() const;

    // The samples to draw: the live ones, or those held when paused.
    const PlotSamples &shown() const { return m_frozen ? *m_frozen : m_live; }
    // Names of every series, the shown ones first.
    const QStringList &seriesNames() const { return m_names; }

    // The samples shown, as CSV: a header "sample" and the series' names, then a row a sample
    // with its X; a gap is an empty cell. Every write is checked.
    Failure saveCsv(const QString &path) const;

signals:
    // Something shown changed: samples came in (unless paused), or a setting.
    void changed();

private:
    void take(QByteArrayView line);
    int seriesFor(QByteArrayView label, qsizetype place);

    LineSplitter m_lines;
    PlotSamples m_live{kDefaultWindow};
    std::optional<PlotSamples> m_frozen;
    QStringList m_names;
    std::vector<double> m_row; // the sample being read, reused
    PlotSamples::SeriesSet m_hidden;
    std::optional<Range> m_fixed;
    int m_clears = 0;
};
