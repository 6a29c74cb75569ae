// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prog/PortChoice.h"

#include <QTextStream>

// tavro-prog probe: what stands behind a port (device, driver, USB vendor, product and
// description), the back ends it offers, the round trip of a line change measured over a few
// hundred RTS changes, and what 8 KiB written and verified would take with each back end.
class Probe
{
public:
    static constexpr int kChanges = 300;

    // sysRoot: where sysfs tells what a device is.
    explicit Probe(QTextStream &out, QString sysRoot = QStringLiteral("/sys"))
        : m_out(out)
        , m_sysRoot(std::move(sysRoot))
    {}

    // An exit status; why the port could not be measured, in failure.
    int run(const PortChoice &port, const MSComm::DeviceFactory &factory, QString &failure);

private:
    void describe(const PortChoice &port);
    // Median and worst of the RTS changes, in seconds.
    Failure measure(MSComm &comm, double &median, double &worst);

    QTextStream &m_out;
    QString m_sysRoot;
};
