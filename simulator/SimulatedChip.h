// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The target chip's serial programming interface, driven by line levels alone:
// reset (DTR), clock (TxD break) and data in (RTS); its answer appears on CTS.
//
// Reset asserted holds the chip in programming mode. Each rising clock edge takes one
// data bit; three bytes, most significant bit first, make one instruction. Nothing is
// obeyed until the programming-enable instruction has been seen since the last reset
// edge. For a read the answer's first bit is on CTS as the last clock of byte 2 falls, each
// further clock brings the next one as it falls; so CTS read while the clock is high still
// shows the bit before.
//
// The chip has needs of time, measured on its own clock: an enable that starts too soon
// after reset was asserted is ignored, and an instruction that starts while a write is
// still being stored, or too soon after a read, is not obeyed. Each need is at or below
// the programmer's wait for it, so those waits always satisfy it; the time scale shortens
// them as the tests shorten the programmer's waits.
//
// Strict on purpose: every instruction is logged with what the chip made of it, so tests
// can prove that nothing malformed, out of space or too early ever reached it.
class SimulatedChip
{
public:
    static constexpr int kProgramSize = 0x2000;
    static constexpr int kDataSize = 0x800;
    static constexpr quint8 kErased = 0xFF;
    static constexpr double kEnableAfterResetMs = 400; // the programmer waits 500
    static constexpr double kWriteMs = 2;
    static constexpr double kReadMs = 3;

    enum class Space { Program, Data };
    enum class Op { ReadProgram, WriteProgram, ReadData, WriteData, ProgrammingEnable, Unknown };

    struct Instruction
    {
        std::array<quint8, 3> bytes{}; // as taken from the data line
        Op op = Op::Unknown;
        int address = -1; // -1 when the instruction names none
        quint8 value = 0; // byte written, or byte answered
        bool accepted = false;
        bool tooSoon = false; // came before the chip was ready for it
        QString refusal;      // why it was not obeyed
        qint64 atNs = 0;      // when its last bit was clocked in
    };

    enum class Line { Reset, Clock, Data };
    struct LineEvent
    {
        Line line;
        bool level;
        qint64 atNs;
    };

    SimulatedChip();

    void setTimeScale(double scale) { m_timeScale = scale; }

    // Line inputs and output, as the board wires them; a change takes effect at atNs on the
    // chip's clock (now when negative), which a board with a slow adapter sets later.
    void setReset(bool asserted, qint64 atNs = -1);
    void setClock(bool high, qint64 atNs = -1);
    void setData(bool level, qint64 atNs = -1);
    bool dataOut() const { return m_out; }
    bool inReset() const { return m_reset; }

    // Memory as the chip holds it.
    quint8 read(Space space, int address) const;
    // Behind the programming interface; kept as a programmed byte is.
    Failure poke(Space space, int address, quint8 value);
    const QByteArray &memory(Space space) const;
    // A cell that ignores writes, to exercise verification.
    void setWriteProtected(Space space, int address, bool protectedCell = true);

    // What happened on the lines.
    const QList<Instruction> &instructions() const { return m_log; }
    int violations() const;                        // instructions that came too soon
    int pendingBits() const { return m_bitCount; } // bits of an instruction not yet complete
    int clocksOutsideReset() const { return m_strayClocks; }
    // Reset edges are always kept; every line change only while tracing.
    const std::vector<LineEvent> &resetEvents() const { return m_resetEvents; }
    void setTracing(bool on) { m_tracing = on; }
    const std::vector<LineEvent> &trace() const { return m_trace; }
    qint64 nowNs() const { return m_clock0.nsecsElapsed(); }

    // Where a board keeps its chip (see ChipImage) unless told otherwise.
    static QString defaultFolder();
    // What keeps each programmed byte; a byte it cannot keep is not programmed, and the write
    // that tried it is refused: the chip "cannot be programmed", once, through takeKeepFailure.
    using Keeper = std::function<Failure(Space space, int address, quint8 value)>;
    void keepWith(Keeper keeper) { m_keeper = std::move(keeper); }
    Failure takeKeepFailure() { return std::exchange(m_keepFailure, std::nullopt); }
    void restore(Space space, const QByteArray &image) { cells(space).replace(0, image.size(), image); }

private:
    qint64 record(Line line, bool level, qint64 atNs);
    void takeBit(qint64 atNs);
    void presentAnswer();
    void finishInstruction(qint64 atNs);
    void decode(Instruction &ins) const;
    std::optional<QString> tooSoon(const Instruction &ins) const;
    void execute(Instruction &ins);
    qint64 needNs(double ms) const { return qint64(ms * m_timeScale * 1e6); }
    QByteArray &cells(Space space) { return space == Space::Program ? m_program : m_data; }

    QElapsedTimer m_clock0;
    double m_timeScale = 1.0;
    qint64 m_resetAtNs = 0;  // when reset was last asserted
    qint64 m_startNs = 0;    // first bit of the instruction being clocked in
    qint64 m_busyFromNs = 0; // the last write or read ended here,
    qint64 m_busyNs = 0;     // and keeps the chip busy this long
    QString m_busyWith;
    bool m_reset = false;
    bool m_clock = false;
    bool m_dataIn = false;
    bool m_out = false;
    std::optional<bool> m_nextOut; // what CTS shows when the clock falls
    bool m_enabled = false;
    int m_bitCount = 0;
    std::array<quint8, 3> m_bytes{};
    quint8 m_answer = 0;
    int m_strayClocks = 0;
    QByteArray m_program;
    QByteArray m_data;
    QSet<int> m_protectedProgram;
    QSet<int> m_protectedData;
    QList<Instruction> m_log;
    bool m_tracing = false;
    std::vector<LineEvent> m_trace;
    std::vector<LineEvent> m_resetEvents;
    Keeper m_keeper;
    Failure m_keepFailure;
};
