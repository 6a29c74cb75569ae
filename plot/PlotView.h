// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QWidget>

class PlotCanvas;
class PlotModel;
class QCheckBox;
class QLabel;
class QLineEdit;

// The plot with the controls users need above it (pause and resume, clear, the window's length,
// a Y range that scales itself or that they fix) and, below, the values under the pointer or
// what was wrong with a choice. It changes the model only through its controls.
class PlotView : public QWidget
{
    Q_OBJECT
public:
    explicit PlotView(PlotModel &model, QWidget *parent = nullptr);

    PlotCanvas *canvas() const { return m_canvas; }
    // The points as CSV or the picture as PNG, by the file's extension.
    Failure save(const QString &path);

private:
    QWidget *controls();
    void fixRange(bool fixed);
    void applyRange();

    PlotModel &m_model;
    PlotCanvas *m_canvas;
    QCheckBox *m_fixed = nullptr;
    QLineEdit *m_lower = nullptr;
    QLineEdit *m_upper = nullptr;
    QLabel *m_readout;
};
