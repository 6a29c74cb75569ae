// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

// A chip operation that cannot be carried out: an address outside the space, or the port
// refused a line change. Raised before anything wrong reaches the chip.
class ChipError : public std::runtime_error
{
public:
    explicit ChipError(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {}
    const QString &description() const { return m_description; }

private:
    QString m_description;
};

// A line change the port refused becomes the chip operation's failure.
inline void throwIfFailed(const std::optional<QString> &failure)
{
    if (failure)
        throw ChipError(*failure);
}
