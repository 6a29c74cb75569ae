// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// The outcome of an operation that may be refused: nothing on success, otherwise the
// description that the caller shows to the user.
using Failure = std::optional<QString>;
