// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/HexDump.h"

#include <QAbstractScrollArea>

// Draws a hex dump, only the rows in sight, and follows its end while scrolled to the end.
// Typed characters go to the keyboard's widget, so that typing works as in the text view.
class HexView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    HexView(QWidget *keyboard, QWidget *parent);
    void setDump(const HexDump &dump);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateScrollBars();

    QWidget *m_keyboard;
    HexDump m_dump;
};
