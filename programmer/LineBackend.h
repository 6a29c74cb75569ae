// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/MSComm.h"

#include <chrono>
#include <span>
#include <vector>

// One step of a chip instruction on the programming lines: a line set to a level (Break is the
// clock, RTS the data, DTR the reset), CTS read while the lines stand as they are, or one of the
// chip's waits, which no back end may shorten.
struct PinStep
{
    enum class Kind { Set, Sample, Wait };
    Kind kind = Kind::Set;
    MSComm::Line line = MSComm::Line::RTS;
    bool level = false;
    std::chrono::nanoseconds wait{0};
};
using PinSteps = std::vector<PinStep>;

// How steps reach the chip: the port's modem-line calls one by one, or an adapter that plays a
// whole sequence of pin states in one transfer.
class LineBackend
{
public:
    virtual ~LineBackend() = default;
    // Puts the steps on the lines in order and appends the level of CTS at every Sample; a failure
    // stops it where it stood.
    virtual Failure run(std::span<const PinStep> steps, std::vector<bool> &samples) = 0;
    // Whether the steps of many instructions may be gathered and run at once: an adapter that pays
    // a USB round trip per run. The port's modem lines run every step as it comes.
    virtual bool gathers() const { return false; }
    // Why no step could reach the chip now, if so.
    virtual Failure ready() const { return std::nullopt; }
};
