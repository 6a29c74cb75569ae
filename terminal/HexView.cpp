// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/HexView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

HexView::HexView(QWidget *keyboard, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_keyboard(keyboard)
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    viewport()->setBackgroundRole(QPalette::Base);
}

void HexView::setDump(const HexDump &dump)
{
    const bool following = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    m_dump = dump;
    updateScrollBars();
    if (following)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void HexView::updateScrollBars()
{
    const int rows = viewport()->height() / fontMetrics().lineSpacing();
    verticalScrollBar()->setRange(0, std::max(0, int(m_dump.lineCount()) - rows));
    verticalScrollBar()->setPageStep(std::max(1, rows));
    const int width =
        fontMetrics().horizontalAdvance(QString(HexDump::kLineLength, u'0')) + fontMetrics().averageCharWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void HexView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int spacing = fontMetrics().lineSpacing();
    const int left = fontMetrics().averageCharWidth() / 2 - horizontalScrollBar()->value();
    const qsizetype first = verticalScrollBar()->value();
    const qsizetype end = std::min(m_dump.lineCount(), first + viewport()->height() / spacing + 1);
    for (qsizetype row = first; row < end; ++row)
        painter.drawText(left, int(row - first) * spacing + fontMetrics().ascent(), m_dump.line(row));
}

void HexView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void HexView::keyPressEvent(QKeyEvent *event)
{
    if (event->text().isEmpty())
        QAbstractScrollArea::keyPressEvent(event); // the keys that scroll
    else
        QCoreApplication::sendEvent(m_keyboard, event);
}
