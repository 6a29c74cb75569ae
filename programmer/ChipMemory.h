#pragma once

#include <QtGlobal>

class LineDriver;
class MSComm;

// Single bytes of the chip's program memory (0x0000-0x1FFF) and data memory (0x000-0x7FF)
// as three-byte instructions. An address outside its space raises ChipError before anything
// is put on the line.
class ChipMemory
{
public:
    static constexpr qint32 kProgramEnd = 0x1FFF;
    static constexpr qint32 kDataEnd = 0x7FF;

    ChipMemory(LineDriver &driver, MSComm &comm)
        : m_driver(driver)
        , m_comm(comm)
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

private:
    quint8 readByte(qint32 address, quint8 code, qint32 last);
    void writeByte(qint32 address, quint8 code, qint32 last, quint8 value);
    void sendAddress(qint32 address, quint8 code, qint32 last);

    LineDriver &m_driver;
    MSComm &m_comm;
};
