// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/LineFormat.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// A stream is read in gulps: after a read that follows another within a frame, the device is left
// alone until a timer reads it again, once the stream can have brought three quarters of a tty's
// 4 KiB line buffer, a frame at most, so that one wake-up takes many lines instead of a few. "Can
// have" is the line's speed and the stream's own rate, whichever is faster: a full buffer holds a
// USB adapter back, and its own small buffer then overflows. The first read after a pause (a
// key's echo) comes at once. The frame is the view's, plus one millisecond, so that the view
// draws in the same wake-up. A device tells it of each read, before handing the bytes on.
class ReadGathering
{
public:
    // readAgain runs, in owner's thread, when the device is to be read again.
    ReadGathering(QObject *owner, std::function<void()> readAgain);

    // The line's speed, at the fewest bits a character can take.
    void setLine(const LineFormat &format);
    // After a read of arrived bytes, by the timer or not: true when the device is to be left until
    // readAgain, which the timer then calls.
    bool leaveAfter(qint64 arrived, bool gathered);
    // The read brought data, not only a protocol's own words: the stream's time counts from here.
    void dataCame() { m_sinceData.start(); }
    bool leaving() const { return m_timer.isActive(); }
    // The device is closed: the next read is a first.
    void stop();

    // How long to leave the device after a read of arrived bytes that came sinceMs after the last
    // (-1: the first), by the timer or not; 0 reads as they come.
    static qint64 gatherMs(qint64 lineBytesPerSecond, qint64 sinceMs, qint64 arrived, bool gathered);

private:
    static constexpr int kGatherMs = 34;
    static constexpr qint64 kGatherBytes = 3072;

    QTimer m_timer;
    QElapsedTimer m_sinceData;
    qint64 m_lineBytesPerSecond = 0;
};
