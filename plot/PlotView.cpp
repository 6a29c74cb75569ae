// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/PlotView.h"

#include "common/ShownPath.h"
#include "plot/PlotCanvas.h"
#include "plot/PlotLine.h"
#include "plot/PlotModel.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// A bound takes any number a board may print ("-5", "0.25", "1e-6").
QLineEdit *boundField(const QString &name)
{
    auto *field = new QLineEdit;
    field->setObjectName(name);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-0.0000000000")));
    field->setEnabled(false);
    return field;
}

std::optional<double> boundOf(const QLineEdit *field)
{
    return parsePlotNumber(field->text().trimmed().toLatin1());
}
} // namespace

PlotView::PlotView(PlotModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_canvas(new PlotCanvas(model))
    , m_readout(new QLabel)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controls());
    layout->addWidget(m_canvas, 1);
    layout->addWidget(m_readout);
    m_readout->setObjectName(QStringLiteral("readout"));
    m_readout->setContentsMargins(4, 0, 4, 2);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_canvas, &PlotCanvas::pointed, m_readout, &QLabel::setText);
}

QWidget *PlotView::controls()
{
    auto *bar = new QWidget;
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    auto *pause = new QPushButton(QStringLiteral("Pause"));
    pause->setObjectName(QStringLiteral("pause"));
    pause->setCheckable(true);
    connect(pause, &QPushButton::toggled, this, [this, pause](bool paused) {
        m_model.setPaused(paused);
        pause->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    });
    auto *clear = new QPushButton(QStringLiteral("Clear"));
    clear->setObjectName(QStringLiteral("clear"));
    connect(clear, &QPushButton::clicked, &m_model, &PlotModel::clear);
    auto *window = new QSpinBox;
    window->setObjectName(QStringLiteral("window"));
    window->setRange(int(PlotModel::kMinWindow), int(PlotModel::kMaxWindow));
    window->setValue(int(m_model.window()));
    window->setKeyboardTracking(false);
    connect(window, &QSpinBox::valueChanged, &m_model, &PlotModel::setWindow);
    m_fixed = new QCheckBox(QStringLiteral("Fixed Y from"));
    m_fixed->setObjectName(QStringLiteral("fixedY"));
    m_lower = boundField(QStringLiteral("lower"));
    m_upper = boundField(QStringLiteral("upper"));
    connect(m_fixed, &QCheckBox::toggled, this, &PlotView::fixRange);
    connect(m_lower, &QLineEdit::editingFinished, this, &PlotView::applyRange);
    connect(m_upper, &QLineEdit::editingFinished, this, &PlotView::applyRange);
    for (QWidget *control : {static_cast<QWidget *>(pause), static_cast<QWidget *>(clear)})
        row->addWidget(control);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Points:")));
    row->addWidget(window);
    row->addSpacing(12);
    row->addWidget(m_fixed);
    row->addWidget(m_lower);
    row->addWidget(new QLabel(QStringLiteral("to")));
    row->addWidget(m_upper);
    row->addStretch();
    return bar;
}

// Fixing starts from the range in sight, so that the plot does not jump.
void PlotView::fixRange(bool fixed)
{
    if (fixed) {
        const PlotModel::Range range = m_model.yRange();
        m_lower->setText(QString::number(range.lower, 'g', 6));
        m_upper->setText(QString::number(range.upper, 'g', 6));
    }
    m_lower->setEnabled(fixed);
    m_upper->setEnabled(fixed);
    applyRange();
}

void PlotView::applyRange()
{
    std::optional<PlotModel::Range> range;
    if (m_fixed->isChecked()) {
        const std::optional<double> lower = boundOf(m_lower), upper = boundOf(m_upper);
        if (!lower || !upper) {
            m_readout->setText(QStringLiteral("The Y range's bounds must be numbers, such as -5, 0.25 or 1e-6."));
            return;
        }
        range = PlotModel::Range{*lower, *upper};
    }
    const Failure failure = m_model.setFixedRange(range);
    m_readout->setText(failure.value_or(QString()));
}

Failure PlotView::save(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return m_model.saveCsv(path);
    if (suffix == QLatin1String("png"))
        return m_canvas->savePicture(path);
    return QStringLiteral("Cannot save %1: name it .csv for the points or .png for the picture").arg(shownPath(path));
}
