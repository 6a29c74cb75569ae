// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ReceiveViews.h"

#include "settings/StoredProperties.h"

namespace {

// A view switched on starts from now and stays as it is while on; switched off it goes. The
// choice is remembered under key.
template <typename View, typename... Start>
Failure switchView(SettingsStore &store, const QString &key, std::optional<View> &view, bool on, Start &&...start)
{
    if (!on)
        view.reset();
    else if (!view)
        view.emplace(std::forward<Start>(start)...);
    return StoredProperties::write(store, {{key, StoredProperties::flag(on)}});
}

} // namespace

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
    return switchView(m_store, QStringLiteral("TimeStamps"), m_stamps, on, text);
}

Failure ReceiveViews::setHexView(bool on)
{
    return switchView(m_store, QStringLiteral("HexView"), m_hex, on);
}

Failure ReceiveViews::setPlot(bool on)
{
    return switchView(m_store, QStringLiteral("Plot"), m_plot, on);
}
