// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/FtdiBackend.h"

#include <functional>
#include <memory>
#include <tuple>

// Opens the FTDI chip behind a port for bit-bang, or says why not in one line.
using FtdiOpener = std::function<std::unique_ptr<FtdiBus>(QString *error)>;

// An FTDI chip in bit-bang for as long as it lives; then the UART again.
class FtdiHold
{
public:
    explicit FtdiHold(std::unique_ptr<FtdiBus> bus)
        : m_bus(std::move(bus))
        , m_backend(*m_bus)
    {}
    // Normally ended by release(), which says whether the chip has its UART back; a run that ends
    // otherwise (an exception unwinding) leaves no one to tell.
    ~FtdiHold()
    {
        if (!m_released)
            std::ignore = m_backend.end();
    }
    Failure release()
    {
        m_released = true;
        return m_backend.end();
    }
    FtdiHold(const FtdiHold &) = delete;
    FtdiHold &operator=(const FtdiHold &) = delete;

    FtdiBackend &backend() { return m_backend; }

private:
    std::unique_ptr<FtdiBus> m_bus;
    FtdiBackend m_backend;
    bool m_released = false;
};

// What a port offers a programming run: the back end the user asks for and the FTDI chip behind
// the port (opener: none when it is no FTDI chip with synchronous bit-bang).
struct BitbangOffer
{
    QString wish = QStringLiteral("auto");
    FtdiOpener opener;
    QString device; // for messages
    // Where a wish for ftdi came from, and how to ask for the lines instead, for its refusal.
    QString askedBy = QStringLiteral("--backend ftdi");
    QString linesInstead = QStringLiteral("--backend lines");
    // Asked for, or auto with a chip that has it.
    bool worthTrying() const { return wish == QLatin1String("ftdi") || (wish == QLatin1String("auto") && opener); }
    // One line for the port's tooltip: how "Prog" will drive the chip.
    QString summary() const;
};

// The back end of one programming run, from what was asked (one of PortMap::kBackends) and what
// the device is (opener: none when it is no FTDI chip with synchronous bit-bang). auto takes
// bit-bang where there is one and falls back to the port's modem lines when it fails; ftdi stops.
struct BackendChoice
{
    std::unique_ptr<FtdiHold> ftdi; // none: the port's modem lines
    Failure stop;                   // the run cannot go on
    Failure fellBack;               // to be said once: bit-bang failed, the modem lines are used

    static BackendChoice make(const BitbangOffer &offer);
    // The same on an open port. Bit-bang needs the serial driver to let go of the chip: the port
    // is lent (closed) first and stays so while bit-bang holds the chip; when the run goes on
    // over the modem lines it is taken back (opened), and a refusal then stops the run.
    static BackendChoice take(const BitbangOffer &offer, const std::function<void()> &lend,
                              const std::function<Failure()> &takeBack);
};
