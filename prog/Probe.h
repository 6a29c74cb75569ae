// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prog/PortChoice.h"

#include <QTextStream>

// tavro-prog probe: what stands behind a port opened as a write opens it (device, driver, USB
// vendor, product and description), the back end a write would take there, the round trip of a
// line change, or of a bit-bang transfer, measured a few hundred times, and what 8 KiB written and
// verified would take.
class Probe
{
public:
    static constexpr int kChanges = 300;
    static constexpr int kTransfers = 50;

    // sysRoot: where sysfs tells what a device is.
    explicit Probe(QTextStream &out, QString sysRoot = QStringLiteral("/sys"))
        : m_out(out)
        , m_sysRoot(std::move(sysRoot))
    {}

    // comm: open; backend: as the run took it; asked: what asked for it, as the user would say it.
    // An exit status; why the port could not be measured, in failure.
    int run(const PortChoice &port, MSComm &comm, BackendChoice &backend, const QString &asked, QString &failure);

private:
    void describe(const PortChoice &port);
    // Median and worst of a step repeated, in seconds.
    static Failure measure(int times, const std::function<Failure(int)> &step, double &median, double &worst);

    QTextStream &m_out;
    QString m_sysRoot;
};
