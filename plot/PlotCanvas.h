// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QElapsedTimer>
#include <QTimer>
#include <optional>
#include <qcustomplot.h>

class PlotModel;

// Draws a PlotModel and nothing else: a graph a series over the samples' X, a legend whose
// entries hide and show their series, and a line at the sample under the mouse pointer, whose
// values it reports. Redraws follow the model's changes, at most one every kFrameMs, and while
// samples stream in they take at most a kTimeShare-th of the time, yet come at least every
// kSlowestFrameMs: a plot that costs more to draw is drawn less often rather than eat a core.
// Adaptive sampling keeps each pixel column's extremes, so a one-sample spike shows in any window.
class PlotCanvas : public QCustomPlot
{
    Q_OBJECT
public:
    static constexpr int kFrameMs = 33;
    static constexpr int kSlowestFrameMs = 250;
    static constexpr int kTimeShare = 50;

    explicit PlotCanvas(PlotModel &model, QWidget *parent = nullptr);

    // Brings the graphs up to the model and replots now; the pacing calls it.
    void redraw();
    int redraws() const { return m_redraws; }
    // The picture as PNG, every write checked.
    Failure savePicture(const QString &path);

signals:
    // "Sample <X>" and each series' value there, or empty when the pointer is off the samples.
    void pointed(const QString &values);

protected:
    void showEvent(QShowEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void schedule();
    void follow();
    void addSeriesGraph(int series);
    void toggle(QCPAbstractLegendItem *item);
    void moveCursor();
    bool placeCursor(); // at the pointer's sample, when there is one; reports the values

    PlotModel &m_model;
    QTimer m_pacing;
    QElapsedTimer m_sinceRedraw;
    QCPItemStraightLine *m_cursor;
    std::optional<QPointF> m_pointer;
    QString m_pointed;
    int m_clears = 0;
    qint64 m_drawnEnd = 0; // the X after the last sample handed to the graphs
    int m_redraws = 0;
    qint64 m_frameMs = kFrameMs; // from the last redraw's cost
    bool m_stale = false;        // changed while hidden
};
