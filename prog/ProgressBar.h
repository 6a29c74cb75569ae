// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

// One line redrawn in place on a terminal: what is being done, a bar, bytes done and the time
// left. Redraws at most ten times a second so that drawing never slows the chip down.
class ProgressBar
{
public:
    explicit ProgressBar(std::FILE *terminal)
        : m_out(terminal)
    {}
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void start(const QString &what);
    void update(qsizetype done, qsizetype total);
    // Clears the line so that the results start on a clean one.
    void finish();

private:
    void draw(qsizetype done, qsizetype total);

    std::FILE *m_out;
    QString m_what;
    QElapsedTimer m_started;
    qint64 m_drawnAtMs = -1;
    bool m_shown = false;
};
