#pragma once

#include <QString>
#include <stdexcept>

// A chip operation that cannot be carried out: an address outside the space, or the port
// refused a line change. Raised before anything wrong reaches the chip.
class ChipError : public std::runtime_error
{
public:
    explicit ChipError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    const QString &description() const { return m_description; }

private:
    QString m_description;
};
