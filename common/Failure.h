// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <utility>

// The outcome of an operation that may be refused: nothing on success, otherwise the
// description that the caller shows to the user. The compiler names every caller that drops one.
class [[nodiscard]] Failure : public std::optional<QString>
{
public:
    using std::optional<QString>::optional;
    Failure(std::optional<QString> outcome)
        : std::optional<QString>(std::move(outcome))
    {}
    friend bool operator==(const Failure &a, const Failure &b)
    {
        return static_cast<const std::optional<QString> &>(a) == static_cast<const std::optional<QString> &>(b);
    }
};
