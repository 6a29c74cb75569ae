// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <utility>

class LineDriver;
class TargetControl;

// Single bytes of the chip's program memory (0x0000-0x1FFF) and data memory (0x000-0x7FF)
// as three-byte instructions. An address outside its space raises ChipError before anything
// is put on the line. An instruction cut short by a failure leaves the chip out of step; the
// next one then starts a clean frame: reset pulsed and programming enabled again.
class ChipMemory
{
public:
    static constexpr qint32 kProgramEnd = 0x1FFF;
    static constexpr qint32 kDataEnd = 0x7FF;

    ChipMemory(LineDriver &driver, TargetControl &target)
        : m_driver(driver)
        , m_target(target)
    {}

    quint8 ReadDataMemory(qint32 address);
    quint8 ReadProgramMemory(qint32 address);
    void WriteDataMemory(qint32 address, quint8 value);
    void WriteProgramMemory(qint32 address, quint8 value);
    void ProgrammingEnable();
    void ClearRTS();

    // The space chosen by a flag, as the console and the programmer hold it.
    quint8 read(bool dataSpace, qint32 address);
    void write(bool dataSpace, qint32 address, quint8 value);
    static qint32 lastAddress(bool dataSpace) { return dataSpace ? kDataEnd : kProgramEnd; }

    // Bytes of one space as one run of instructions, which an adapter plays at once; on the
    // port's modem lines the same as one call each. Every address is checked before any is sent.
    using Cells = QList<std::pair<qint32, quint8>>;
    QByteArray readMany(bool dataSpace, const QList<qint32> &addresses);
    void writeMany(bool dataSpace, const Cells &cells);
    // How many bytes one such run should hold: one where every step costs the same anyway.
    int batch() const;

private:
    // Sends one instruction, after a clean frame (and, unless it is the enable, an enable) when
    // the chip is out of step; a failure on the way leaves it out of step.
    template <typename Send>
    auto instruction(Send send, bool enableInNewFrame);
    void sendEnable();
    void sendAddress(qint32 address, quint8 code);
    void sendWrite(qint32 address, quint8 code, quint8 value);
    static void checkAddress(qint32 address, qint32 last);

    LineDriver &m_driver;
    TargetControl &m_target;
};
