#pragma once

#include <QString>
#include <optional>

// What a device operation reports: nothing on success, otherwise the description the caller shows.
// The same shape as the rest of the program's failures, declared here so that the serial library
// stands on Qt alone.
using Failure = std::optional<QString>;
