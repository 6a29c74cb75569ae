#pragma once

#include "serial/SimulatedBoard.h"

// A board behind an adapter that drops one request: once armed, it lets a number of clock
// changes through and refuses the next one with its own reason.
class FlakyBoard : public SimulatedBoard
{
public:
    using SimulatedBoard::SimulatedBoard;
    static inline const QString kReason = QStringLiteral("adapter dropped the request");
    int passBeforeFault = -1; // -1: never fails

    Failure setBreak(bool on) override
    {
        if (passBeforeFault >= 0 && passBeforeFault-- == 0)
            return kReason;
        return SimulatedBoard::setBreak(on);
    }
};
