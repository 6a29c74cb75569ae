#pragma once

#include <QTimer>
#include <chrono>

// A wait finer than Timer3's milliseconds, on the user-interface thread: whole milliseconds
// asleep in the event loop, which handles events meanwhile, and what is left of a millisecond
// in one short sleep of the thread. It leaves Timer3, and so the text sender's waits, alone.
class MicroWait
{
public:
    MicroWait();
    void wait(std::chrono::nanoseconds length);

private:
    QTimer m_wake;
};
