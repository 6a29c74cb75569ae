// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

class SettingsStore;
struct PropertyValues;

// The text values that hold numbers, each with what it can mean: the end-of-line character's code
// from 0 to 255, the delays from 0 to 65535 ms (the shared timer's range).
namespace PropertyRanges {
// Why the values cannot be used, naming the dialog's field, the range and the value; nothing when
// each is a number in its range.
Failure check(const PropertyValues &values);
// Stored values: each number out of range, or no number, replaced by its default and said among
// the store's warnings with the file, the key, the value and what is used instead.
void mend(PropertyValues &values, const PropertyValues &defaults, const SettingsStore &store);
} // namespace PropertyRanges
