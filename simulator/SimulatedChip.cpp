// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/SimulatedChip.h"

#include <QStandardPaths>
#include <algorithm>

namespace {
constexpr quint8 kEnable[3] = {0xAC, 0x53, 0x01};
} // namespace

SimulatedChip::SimulatedChip()
    : m_program(kProgramSize, char(kErased))
    , m_data(kDataSize, char(kErased))
{
    m_clock0.start();
}

qint64 SimulatedChip::record(Line line, bool level, qint64 atNs)
{
    const LineEvent event{line, level, atNs < 0 ? nowNs() : atNs};
    if (line == Line::Reset)
        m_resetEvents.push_back(event);
    if (m_tracing)
        m_trace.push_back(event);
    return event.atNs;
}

void SimulatedChip::setReset(bool asserted, qint64 atNs)
{
    if (asserted == m_reset)
        return;
    const qint64 at = record(Line::Reset, asserted, atNs);
    if (asserted)
        m_resetAtNs = at;
    m_reset = asserted;
    // Every reset edge starts a fresh frame and needs a new enable.
    m_bitCount = 0;
    m_bytes = {};
    m_enabled = false;
    m_out = false;
    m_nextOut.reset();
}

void SimulatedChip::setData(bool level, qint64 atNs)
{
    if (level != m_dataIn)
        record(Line::Data, level, atNs);
    m_dataIn = level;
}

void SimulatedChip::setClock(bool high, qint64 atNs)
{
    if (high == m_clock)
        return;
    const qint64 at = record(Line::Clock, high, atNs);
    m_clock = high;
    if (!high) {
        if (m_nextOut)
            m_out = *std::exchange(m_nextOut, std::nullopt);
        return;
    }
    if (!m_reset) {
        ++m_strayClocks;
        return;
    }
    takeBit(at);
}

void SimulatedChip::takeBit(qint64 atNs)
{
    if (m_bitCount == 0)
        m_startNs = atNs;
    const int byte = m_bitCount / 8;
    m_bytes[byte] = quint8((m_bytes[byte] << 1) | (m_dataIn ? 1 : 0));
    ++m_bitCount;
    if (m_bitCount == 16)
        presentAnswer();
    else if (m_bitCount > 16 && m_bitCount < 24)
        m_nextOut = (m_answer >> (23 - m_bitCount)) & 1; // next bit after each clock of byte 3
    if (m_bitCount == 24)
        finishInstruction(atNs);
}

void SimulatedChip::presentAnswer()
{
    Instruction ins;
    ins.bytes = m_bytes;
    decode(ins);
    const bool isRead = ins.op == Op::ReadProgram || ins.op == Op::ReadData;
    m_answer = (isRead && m_enabled && ins.address >= 0 && !tooSoon(ins))
                   ? read(ins.op == Op::ReadProgram ? Space::Program : Space::Data, ins.address)
                   : 0;
    m_nextOut = (m_answer >> 7) & 1;
}

void SimulatedChip::decode(Instruction &ins) const
{
    const quint8 b1 = ins.bytes[0];
    if (ins.bytes[0] == kEnable[0] && ins.bytes[1] == kEnable[1]) {
        ins.op = Op::ProgrammingEnable;
        return;
    }
    const int page = b1 >> 3;
    const int address = page * 256 + ins.bytes[1];
    switch (b1 & 0x07) {
    case 0x01:
        ins.op = Op::ReadProgram;
        break;
    case 0x02:
        ins.op = Op::WriteProgram;
        break;
    case 0x05:
        ins.op = Op::ReadData;
        break;
    case 0x06:
        ins.op = Op::WriteData;
        break;
    default:
        ins.op = Op::Unknown;
        return;
    }
    const bool data = ins.op == Op::ReadData || ins.op == Op::WriteData;
    ins.address = (data && page > 7) ? -1 : address; // data pages stop at 7
}

std::optional<QString> SimulatedChip::tooSoon(const Instruction &ins) const
{
    const auto us = [](qint64 ns) { return QString::number(double(ns) / 1000, 'f', 0); };
    if (m_startNs - m_busyFromNs < m_busyNs)
        return QStringLiteral("started %1 us after a %2; the chip needs %3 us")
            .arg(us(m_startNs - m_busyFromNs), m_busyWith, us(m_busyNs));
    if (ins.op == Op::ProgrammingEnable && m_startNs - m_resetAtNs < needNs(kEnableAfterResetMs))
        return QStringLiteral("programming enable %1 us after reset; the chip needs %2 us")
            .arg(us(m_startNs - m_resetAtNs), us(needNs(kEnableAfterResetMs)));
    return std::nullopt;
}

void SimulatedChip::finishInstruction(qint64 atNs)
{
    Instruction ins;
    ins.bytes = m_bytes;
    ins.atNs = atNs;
    decode(ins);
    if (const std::optional<QString> early = tooSoon(ins)) {
        ins.tooSoon = true;
        ins.refusal = *early;
    } else {
        execute(ins);
    }
    if (ins.accepted && ins.op != Op::ProgrammingEnable) {
        const bool write = ins.op == Op::WriteProgram || ins.op == Op::WriteData;
        m_busyWith = write ? QStringLiteral("write") : QStringLiteral("read");
        m_busyFromNs = atNs;
        m_busyNs = needNs(write ? kWriteMs : kReadMs);
    }
    m_log.append(ins);
    m_bitCount = 0;
    m_bytes = {};
}

void SimulatedChip::execute(Instruction &ins)
{
    if (ins.op == Op::ProgrammingEnable) {
        ins.accepted = ins.bytes[2] == kEnable[2];
        if (!ins.accepted)
            ins.refusal = QStringLiteral("malformed programming enable");
        m_enabled = m_enabled || ins.accepted;
        return;
    }
    if (!m_enabled) {
        ins.refusal = QStringLiteral("programming not enabled");
        return;
    }
    if (ins.op == Op::Unknown) {
        ins.refusal = QStringLiteral("unknown operation");
        return;
    }
    if (ins.address < 0) {
        ins.refusal = QStringLiteral("address outside the space");
        return;
    }
    ins.accepted = true;
    const Space space = (ins.op == Op::ReadProgram || ins.op == Op::WriteProgram) ? Space::Program : Space::Data;
    if (ins.op == Op::ReadProgram || ins.op == Op::ReadData) {
        ins.value = m_answer;
        return;
    }
    ins.value = ins.bytes[2];
    const QSet<int> &locked = space == Space::Program ? m_protectedProgram : m_protectedData;
    if (locked.contains(ins.address))
        return;
    if (Failure failure = poke(space, ins.address, ins.value)) {
        ins.accepted = false;
        ins.refusal = QStringLiteral("cannot be programmed: ") + *failure;
        m_keepFailure = failure;
    }
}

int SimulatedChip::violations() const
{
    return int(std::count_if(m_log.begin(), m_log.end(), [](const Instruction &i) { return i.tooSoon; }));
}

quint8 SimulatedChip::read(Space space, int address) const
{
    return quint8(memory(space).at(address));
}

Failure SimulatedChip::poke(Space space, int address, quint8 value)
{
    if (m_keeper)
        if (Failure failure = m_keeper(space, address, value))
            return failure;
    cells(space)[address] = char(value);
    return std::nullopt;
}

const QByteArray &SimulatedChip::memory(Space space) const
{
    return space == Space::Program ? m_program : m_data;
}

void SimulatedChip::setWriteProtected(Space space, int address, bool protectedCell)
{
    QSet<int> &cellsSet = space == Space::Program ? m_protectedProgram : m_protectedData;
    if (protectedCell)
        cellsSet.insert(address);
    else
        cellsSet.remove(address);
}

QString SimulatedChip::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Tavro Terminal/simulated-chip");
}
