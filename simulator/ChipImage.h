// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulator/SimulatedChip.h"

#include <array>
#include <memory>

// The simulated chip's memories as files in a folder, "program.bin" and "data.bin", held by one
// board at a time as a real port is: a lock on the folder's "lock" file makes a second open,
// from this program or another, busy. Every byte is written through to its file the moment it
// is programmed, so a crash or kill -9 loses nothing programmed before it; a byte that cannot be
// kept is not programmed.
class ChipImage
{
public:
    static inline const QString kBusy = QStringLiteral("busy, another program has it open");

    // Takes the folder (created when missing) and loads the chip from it; a missing or short
    // image is an erased chip, and is extended to its full size at once.
    static std::unique_ptr<ChipImage> open(const QString &folder, SimulatedChip &chip, Failure &failure);
    ~ChipImage(); // the chip keeps no more, and the folder is free again
    ChipImage(const ChipImage &) = delete;
    ChipImage &operator=(const ChipImage &) = delete;

private:
    ChipImage(QString folder, SimulatedChip &chip);
    Failure take();
    Failure load(SimulatedChip::Space space);
    Failure keep(SimulatedChip::Space space, int address, quint8 value) const;
    QString imagePath(SimulatedChip::Space space) const;
    Failure systemFailure(const QString &path) const;

    QString m_folder;
    SimulatedChip &m_chip;
    int m_lock = -1;
    std::array<int, 2> m_images{-1, -1}; // by Space
};
