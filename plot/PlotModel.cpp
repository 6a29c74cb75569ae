// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/PlotModel.h"

#include "plot/CheckedFile.h"
#include "plot/PlotLine.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {
constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// The shortest text that reads back as the same double.
QByteArrayView shortest(double value, char (&buffer)[32])
{
    return QByteArrayView(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

QByteArray csvCell(const QString &name)
{
    QByteArray cell = name.toLatin1();
    if (cell.contains('"'))
        cell = '"' + cell.replace('"', "\"\"") + '"';
    return cell;
}
} // namespace

PlotModel::PlotModel(QObject *parent)
    : QObject(parent)
{}

void PlotModel::receive(QByteArrayView bytes)
{
    const qint64 before = m_live.end();
    m_lines.split(bytes, [this](QByteArrayView line) { take(line); });
    if (!isPaused() && m_live.end() != before)
        emit changed();
}

void PlotModel::take(QByteArrayView line)
{
    const PlotFields fields = parsePlotLine(line);
    m_row.assign(size_t(m_names.size()), kGap);
    bool any = false;
    for (qsizetype place = 0; place < fields.size(); ++place) {
        const int series = seriesFor(fields[place].label, place);
        if (series < 0)
            continue;
        m_row.resize(std::max(m_row.size(), size_t(series) + 1), kGap);
        m_row[size_t(series)] = fields[place].value;
        any = any || !std::isnan(fields[place].value);
    }
    if (any)
        m_live.append(m_row);
}

int PlotModel::seriesFor(QByteArrayView label, qsizetype place)
{
    char digits[24];
    if (label.isEmpty())
        label = QByteArrayView(digits, std::to_chars(digits, digits + sizeof digits, place + 1).ptr);
    const QLatin1String name(label.data(), label.size());
    const qsizetype known = m_names.indexOf(name);
    if (known >= 0)
        return int(known);
    if (m_names.size() == kMaxSeries)
        return -1;
    m_names.append(name);
    return int(m_names.size() - 1);
}

void PlotModel::setWindow(qsizetype points)
{
    points = std::clamp(points, kMinWindow, kMaxWindow);
    if (points == window())
        return;
    m_live.setCapacity(points);
    if (m_frozen)
        m_frozen->setCapacity(points);
    emit changed();
}

void PlotModel::setPaused(bool paused)
{
    if (paused == isPaused())
        return;
    if (paused)
        m_frozen = m_live;
    else
        m_frozen.reset();
    emit changed();
}

void PlotModel::clear()
{
    m_live.clear();
    if (m_frozen)
        m_frozen->clear();
    m_names.clear();
    m_hidden.reset();
    ++m_clears;
    emit changed();
}

void PlotModel::setHidden(int series, bool hidden)
{
    if (series < 0 || series >= m_names.size() || isHidden(series) == hidden)
        return;
    m_hidden.set(size_t(series), hidden);
    emit changed();
}

Failure PlotModel::setFixedRange(std::optional<Range> range)
{
    if (range && !(range->lower < range->upper && std::isfinite(range->lower) && std::isfinite(range->upper)))
        return QStringLiteral("The Y range's lower bound must be below its upper bound.");
    m_fixed = range;
    emit changed();
    return std::nullopt;
}

PlotModel::Range PlotModel::yRange() const
{
    if (m_fixed)
        return *m_fixed;
    const std::optional<Range> span = shown().range(m_hidden);
    if (!span)
        return {-1, 1};
    // Halved before subtracting, so that the span of values near the largest double stays finite.
    double margin = (span->upper / 2 - span->lower / 2) / 10;
    if (margin == 0)
        margin = std::max(1.0, std::fabs(span->upper) / 20);
    const double most = std::numeric_limits<double>::max();
    return {std::max(-most, span->lower - margin), std::min(most, span->upper + margin)};
}

Failure PlotModel::saveCsv(const QString &path) const
{
    const PlotSamples &samples = shown();
    CheckedFile file(path);
    QByteArray row = "sample";
    for (int series = 0; series < samples.seriesCount(); ++series)
        row += ',' + csvCell(m_names[series]);
    file.write(row + '\n');
    char buffer[32];
    for (qint64 x = samples.first(); x < samples.end(); ++x) {
        row = QByteArray::number(x);
        for (int series = 0; series < samples.seriesCount(); ++series) {
            row += ',';
            if (const double v = samples.value(series, x); !std::isnan(v))
                row += shortest(v, buffer);
        }
        file.write(row + '\n');
    }
    return file.finish();
}
