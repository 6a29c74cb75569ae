// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/FtdiBus.h"
#include "programmer/MicroWait.h"
#include "simulator/SimulatedChip.h"

#include <chrono>
#include <deque>
#include <memory>

// An FTDI chip in synchronous bit-bang, wired to the simulated chip as a board wires a UART:
// TxD low is the clock, RTS and DTR low are data and reset, CTS low is the chip's answer. Each
// state written is applied at the pin rate and the byte read back for it is the pins sampled
// just before; a write reaches the pins half a round trip after it is made, a sample the host
// half a round trip after it is taken, and the host sleeps until then. Transfers larger than
// the buffers, or more states written than read back than the buffers hold, are refused, as
// the real chip would lose them. Until bit-bang begins, the pins stand as the UART left them.
class FtdiModel : public FtdiBus
{
public:
    struct Chip
    {
        const char *name;
        FtdiBuffers buffers;
    };
    static constexpr Chip kFT232R{"FT232R", {128, 256}};
    static constexpr Chip kFT2232D{"FT2232D", {384, 128}};
    static constexpr Chip kFT232H{"FT232H", {1024, 1024}};

    // wiring: where the board's lines are; a back end with other pins meets the wrong ones.
    explicit FtdiModel(std::shared_ptr<SimulatedChip> chip, Chip type = kFT232R, FtdiPins wiring = {});

    void setRoundTrip(std::chrono::microseconds roundTrip) { m_roundTripNs = roundTrip.count() * 1000; }
    // A chip that runs its pins this many times faster than asked: the back end's waits shrink.
    void setRateFactor(double factor) { m_rateFactor = factor; }
    // The UART's lines before bit-bang: RTS, DTR set, TxD in a break.
    void setUartLines(bool rts, bool dtr, bool brk);
    void unplug() { m_unplugged = true; }
    int requests() const { return m_requests; } // USB transfers made

    FtdiBuffers buffers() const override { return m_type.buffers; }
    Failure readPins(quint8 &pins) override;
    Failure setSyncBitbang(quint8 outputs) override;
    Failure resetBitmode() override;
    Failure setPinRate(int statesPerSecond) override;
    Failure write(const QByteArray &states) override;
    Failure read(QByteArray &samples, int count) override;

private:
    struct Sample
    {
        quint8 pins;
        qint64 backAtNs; // when the host has it
    };
    Failure request();
    quint8 pins() const;
    void apply(quint8 state, qint64 atNs);

    std::shared_ptr<SimulatedChip> m_chip;
    Chip m_type;
    FtdiPins m_wiring;
    qint64 m_roundTripNs = 1000000;
    double m_rateFactor = 1.0;
    qint64 m_periodNs = 0; // 0 until a rate is set
    bool m_bitbang = false;
    bool m_unplugged = false;
    quint8 m_out = 0xFF; // the driven pins
    qint64 m_lastAtNs = 0;
    std::deque<Sample> m_unread;
    int m_requests = 0;
    MicroWait m_sleep;
};
