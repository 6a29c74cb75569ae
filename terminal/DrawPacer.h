// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// When the view draws while text comes in: at most about 30 times a second, and less often when a
// draw with its paint grows dear (a flood, a large window, very long lines, a slow machine), so
// that drawing never takes more than a 200th of the time while data flows; when the data pauses
// for 50 ms, what came last is drawn at once.
class DrawPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 33;
    static constexpr int kShare = 200;
    static constexpr int kPauseMs = 50;

    explicit DrawPacer(QObject *parent = nullptr);

    // The text changed: a draw is due now, or later.
    void changed();
    // A draw happened (by this pacer's word or another's) and cost this much; its paint may add more.
    void drew(double costMs);
    void painted(double costMs);
    // Until the next change, nothing is due.
    void cancel() { m_timer.stop(); }

signals:
    void due();

private:
    QTimer m_timer;
    QElapsedTimer m_sinceDraw;
    double m_frameMs = 0; // the last draw with its paint
};
