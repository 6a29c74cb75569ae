// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ReceiveViews.h"

#include "settings/StoredProperties.h"

ReceiveViews::ReceiveViews(SettingsStore &store, Clock clock)
    : m_store(store)
    , m_clock(std::move(clock))
{}

void ReceiveViews::load(const Shown &shown, QStringView text)
{
    if (shown.timeStamps)
        m_stamps.emplace(text);
    if (shown.hexView)
        m_hex.emplace();
    if (shown.plot)
        m_plot.emplace();
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

Failure ReceiveViews::setPlot(bool on)
{
    if (!on)
        m_plot.reset();
    else if (!m_plot)
        m_plot.emplace();
    return StoredProperties::write(m_store, {{QStringLiteral("Plot"), StoredProperties::flag(on)}});
}
