// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/FtdiBus.h"
#include "programmer/LineBackend.h"
#include "programmer/MicroWait.h"

#include <chrono>

// The programmer's steps as synchronous bit-bang states of an FTDI chip: many instructions, their
// clock pulses, CTS samples and short waits, in one run of transfers. The pins are driven at the
// levels the UART drives them: TxD high but in a break, RTS and DTR low when set, CTS low when set.
// A data change shares the state in which the clock falls, as the chip takes data as the clock
// rises; short waits are idle states at the pin rate, rounded up, long ones wait on the host clock
// once all before them has been applied.
class FtdiBackend : public LineBackend
{
public:
    static constexpr int kPinRate = 250000; // states a second
    static constexpr std::chrono::milliseconds kHostWait{20};

    explicit FtdiBackend(FtdiBus &bus, FtdiPins pins = {})
        : m_bus(bus)
        , m_pins(pins)
    {}

    // Bit-bang from the lines as they stand: the first state repeats them, so that the chip sees
    // no edge when the UART lets go of them. A chip whose pins run faster than asked would shorten
    // every wait: its rate is measured first, and such a chip refused.
    Failure begin();
    // The UART again, its lines where the last state left them.
    Failure end() { return m_bus.resetBitmode(); }

    Failure run(std::span<const PinStep> steps, std::vector<bool> &samples) override;
    bool gathers() const override { return true; }

private:
    void set(MSComm::Line line, bool level);
    void idle(std::chrono::nanoseconds length);
    Failure play(std::vector<bool> &samples);
    Failure checkRate();
    Failure timedIdle(qsizetype states, qint64 &ns);
    Failure transfer(QByteArray &readBack);

    FtdiBus &m_bus;
    FtdiPins m_pins;
    quint8 m_state = 0;       // the last state, as the chip has it or will
    QByteArray m_states;      // not yet written
    std::vector<int> m_taken; // readback index of each sample among them
    bool m_clockJustFell = false;
    MicroWait m_hostWait;
};
