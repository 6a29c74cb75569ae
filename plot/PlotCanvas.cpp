// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/PlotCanvas.h"

#include "plot/CheckedFile.h"
#include "plot/PlotModel.h"

#include "common/ShownPath.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// Eight colours apart from each other; series 9 to 16 repeat them dashed.
const QColor kColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                           QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x17, 0xbe, 0xcf),
                           QColor(0x8c, 0x56, 0x4b), QColor(0xe3, 0x77, 0xc2)};
constexpr int kColourCount = int(std::size(kColours));

// QCustomPlot refuses ranges beyond its limits and keeps the old one: hold what it takes.
QCPRange drawable(double lower, double upper)
{
    const double most = QCPRange::maxRange / 2;
    lower = std::clamp(lower, -most, most);
    upper = std::clamp(upper, -most, most);
    if (!QCPRange::validRange(lower, upper)) {
        const double middle = lower / 2 + upper / 2;
        const double half = std::max(std::fabs(middle) * 1e-9, QCPRange::minRange * 10);
        return {middle - half, middle + half};
    }
    return {lower, upper};
}
} // namespace

PlotCanvas::PlotCanvas(PlotModel &model, QWidget *parent)
    : QCustomPlot(parent)
    , m_model(model)
    , m_cursor(new QCPItemStraightLine(this))
{
    m_clears = model.clears();
    setMouseTracking(true);
    setPlottingHint(QCP::phFastPolylines);
    xAxis->setLabel(QStringLiteral("Sample"));
    legend->setBrush(QColor(255, 255, 255, 200));
    // The cursor has a buffer of its own, so that moving it does not redraw the graphs.
    m_cursor->setLayer(QStringLiteral("overlay"));
    m_cursor->setPen(QPen(Qt::gray, 0, Qt::DashLine));
    m_cursor->setSelectable(false);
    m_cursor->setVisible(false);
    m_pacing.setSingleShot(true);
    m_sinceRedraw.start();
    connect(&m_pacing, &QTimer::timeout, this, &PlotCanvas::redraw);
    connect(&model, &PlotModel::changed, this, &PlotCanvas::schedule);
    connect(this, &QCustomPlot::legendClick, this,
            [this](QCPLegend *, QCPAbstractLegendItem *item, QMouseEvent *) { toggle(item); });
    connect(this, &QCustomPlot::mouseMove, this, [this](QMouseEvent *event) {
        m_pointer = event->position();
        moveCursor();
    });
    follow();
}

void PlotCanvas::schedule()
{
    if (!isVisible())
        m_stale = true;
    else if (!m_pacing.isActive())
        m_pacing.start(int(std::max<qint64>(0, m_frameMs - m_sinceRedraw.elapsed())));
}

void PlotCanvas::showEvent(QShowEvent *event)
{
    QCustomPlot::showEvent(event);
    if (std::exchange(m_stale, false))
        schedule(); // what came while hidden
}

void PlotCanvas::redraw()
{
    m_sinceRedraw.restart();
    ++m_redraws;
    follow();
    placeCursor();
    replot(rpImmediateRefresh); // painted now, so that the cost below counts the painting too
    const qint64 costMs = m_sinceRedraw.nsecsElapsed() * kTimeShare / 1'000'000;
    m_frameMs = std::clamp<qint64>(costMs, kFrameMs, kSlowestFrameMs);
}

void PlotCanvas::addSeriesGraph(int series)
{
    QCPGraph *graph = addGraph();
    graph->setName(m_model.seriesNames().value(series));
    graph->setPen(QPen(kColours[series % kColourCount], 0, series < kColourCount ? Qt::SolidLine : Qt::DashLine));
    graph->setAdaptiveSampling(true);
}

// Hands the graphs the samples that came since the last time and drops those that left.
void PlotCanvas::follow()
{
    const PlotSamples &samples = m_model.shown();
    if (m_clears != m_model.clears()) {
        clearGraphs();
        m_drawnEnd = 0;
        m_clears = m_model.clears();
    }
    while (graphCount() < samples.seriesCount())
        addSeriesGraph(graphCount());
    // Smooth lines while each sample has room; denser, a pixel column holds a vertical stroke
    // from its least to its greatest value, which smoothing only slows down.
    const bool smooth = m_model.window() <= 2 * axisRect()->width();
    const qint64 from = std::max(m_drawnEnd, samples.first());
    QVector<double> keys, values;
    for (qint64 x = from; x < samples.end(); ++x)
        keys.append(double(x));
    for (int series = 0; series < graphCount(); ++series) {
        QCPGraph *graph = this->graph(series);
        graph->data()->removeBefore(double(samples.first()));
        values.resize(0);
        for (qint64 x = from; x < samples.end(); ++x)
            values.append(samples.value(series, x));
        graph->addData(keys, values, true);
        graph->setVisible(!m_model.isHidden(series));
        graph->setAntialiased(smooth);
        legend->itemWithPlottable(graph)->setTextColor(graph->visible() ? Qt::black : Qt::gray);
    }
    m_drawnEnd = samples.end();
    legend->setVisible(graphCount() > 0);
    const double lower = double(std::max<qint64>(0, samples.end() - m_model.window()));
    xAxis->setRange(lower, lower + double(m_model.window() - 1));
    const PlotModel::Range range = m_model.yRange();
    yAxis->setRange(drawable(range.lower, range.upper));
}

void PlotCanvas::toggle(QCPAbstractLegendItem *item)
{
    auto *entry = qobject_cast<QCPPlottableLegendItem *>(item);
    for (int series = 0; entry && series < graphCount(); ++series)
        if (graph(series) == entry->plottable())
            m_model.setHidden(series, !m_model.isHidden(series));
}

void PlotCanvas::moveCursor()
{
    const bool wasShown = m_cursor->visible();
    if (placeCursor() || wasShown)
        layer(QStringLiteral("overlay"))->replot();
}

bool PlotCanvas::placeCursor()
{
    const PlotSamples &samples = m_model.shown();
    const qint64 x = m_pointer ? qRound64(xAxis->pixelToCoord(m_pointer->x())) : -1;
    const bool on =
        m_pointer && axisRect()->rect().contains(m_pointer->toPoint()) && x >= samples.first() && x < samples.end();
    QString text;
    if (on) {
        text = QStringLiteral("Sample %1").arg(x);
        for (int series = 0; series < samples.seriesCount(); ++series) {
            if (m_model.isHidden(series))
                continue;
            const double v = samples.value(series, x);
            text += QStringLiteral("   %1 %2")
                        .arg(m_model.seriesNames().value(series),
                             std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'g', 10));
        }
        m_cursor->point1->setCoords(double(x), 0);
        m_cursor->point2->setCoords(double(x), 1);
    }
    m_cursor->setVisible(on);
    if (text != std::exchange(m_pointed, text))
        emit pointed(text);
    return on;
}

void PlotCanvas::leaveEvent(QEvent *event)
{
    QCustomPlot::leaveEvent(event);
    m_pointer.reset();
    moveCursor();
}

Failure PlotCanvas::savePicture(const QString &path)
{
    follow();
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !toPixmap().save(&buffer, "PNG"))
        return QStringLiteral("Cannot save %1: the picture could not be made").arg(shownPath(path));
    CheckedFile file(path);
    file.write(png);
    return file.finish();
}
