// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plot/PlotModel.h"
#include "session/HexDump.h"
#include "session/LineStamps.h"
#include "settings/SettingsStore.h"

#include <QByteArrayView>
#include <QStringView>
#include <functional>
#include <optional>

// The optional ways of looking at what arrives: a time for each line of the view, a hex dump of
// the bytes as received and a plot of the numbers in them. Off, each costs one check a
// notification and holds nothing; the view's text, the log and ShowData are the same either way.
// Switching one stores it; switched on, it starts empty.
class ReceiveViews
{
public:
    using Clock = std::function<qint64()>; // milliseconds since the epoch

    ReceiveViews(SettingsStore &store, Clock clock);

    struct Shown
    {
        bool timeStamps = false;
        bool hexView = false;
        bool plot = false;
    };

    // Start-up with the stored values; nothing is written back unless the user switches.
    void load(const Shown &shown, QStringView text);
    // Each says when the store could not keep the choice.
    Failure setTimeStamps(bool on, QStringView text);
    Failure setHexView(bool on);
    Failure setPlot(bool on);

    // The receive path, before anything filters the bytes.
    void received(QByteArrayView bytes)
    {
        if (m_hex)
            m_hex->append(bytes);
        if (m_plot)
            m_plot->receive(bytes);
    }
    // ShowData's change of the view's text, and the box's own edits.
    void shown(qsizetype dropped, bool erased, QStringView data)
    {
        if (m_stamps)
            m_stamps->shown(dropped, erased, data, m_clock());
    }
    void edited(qsizetype position, qsizetype length, QStringView with)
    {
        if (m_stamps)
            m_stamps->edited(position, length, with, m_clock());
    }

    // Nothing while off.
    const LineStamps *timeStamps() const { return m_stamps ? &*m_stamps : nullptr; }
    const HexDump *hexDump() const { return m_hex ? &*m_hex : nullptr; }
    // The plot's controls change it: pause, window, range.
    PlotModel *plot() { return m_plot ? &*m_plot : nullptr; }
    const PlotModel *plot() const { return m_plot ? &*m_plot : nullptr; }

private:
    SettingsStore &m_store;
    Clock m_clock;
    std::optional<LineStamps> m_stamps;
    std::optional<HexDump> m_hex;
    std::optional<PlotModel> m_plot;
};
