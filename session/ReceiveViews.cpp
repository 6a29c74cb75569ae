// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ReceiveViews.h"

#include "settings/StoredProperties.h"

ReceiveViews::ReceiveViews(SettingsStore &store, Clock clock)
    : m_store(store)
    , m_clock(std::move(clock))
{}

void ReceiveViews::load(bool timeStamps, bool hexView, QStringView text)
{
    if (timeStamps)
        m_stamps.emplace(text);
    if (hexView)
        m_hex.emplace();
}

Failure ReceiveViews::setTimeStamps(bool on, QStringView text)
{
    if (!on)
        m_stamps.reset();
    else if (!m_stamps)
        m_stamps.emplace(text);
    return StoredProperties::write(m_store, {{QStringLiteral("TimeStamps"), StoredProperties::flag(on)}});
}

Failure ReceiveViews::setHexView(bool on)
{
    if (!on)
        m_hex.reset();
    else if (!m_hex)
        m_hex.emplace();
    return StoredProperties::write(m_store, {{QStringLiteral("HexView"), StoredProperties::flag(on)}});
}
