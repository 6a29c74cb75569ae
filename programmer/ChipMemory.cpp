// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/ChipMemory.h"

#include "programmer/ChipError.h"
#include "programmer/LineDriver.h"
#include "programmer/TargetControl.h"

#include <QObject>

template <typename Send>
auto ChipMemory::instruction(Send send, bool enableInNewFrame)
{
    try {
        if (m_target.lostStep()) {
            throwIfFailed(m_target.holdInReset());
            if (enableInNewFrame)
                sendEnable();
        }
        return send();
    } catch (...) {
        m_target.loseStep();
        throw;
    }
}

void ChipMemory::checkAddress(qint32 address, qint32 last)
{
    if (address < 0 || address > last)
        throw ChipError(QObject::tr("Address %1 is outside the %2 memory (0000-%3)")
                            .arg(QString::number(address, 16).toUpper(),
                                 last == kDataEnd ? QObject::tr("data") : QObject::tr("program"),
                                 QString::number(last, 16).toUpper()));
}

void ChipMemory::sendAddress(qint32 address, quint8 code)
{
    m_driver.SendProgByte(quint8((address / 256) * 8 + code));
    m_driver.SendProgByte(quint8(address % 256));
}

quint8 ChipMemory::readByte(qint32 address, quint8 code, qint32 last)
{
    checkAddress(address, last);
    return instruction(
        [&] {
            sendAddress(address, code);
            return m_driver.ReadProgByte();
        },
        true);
}

void ChipMemory::writeByte(qint32 address, quint8 code, qint32 last, quint8 value)
{
    checkAddress(address, last);
    instruction(
        [&] {
            sendAddress(address, code);
            m_driver.SendProgByte(value);
            m_driver.Delay(2.5);
        },
        true);
}

quint8 ChipMemory::ReadDataMemory(qint32 address)
{
    return readByte(address, 0x05, kDataEnd);
}

quint8 ChipMemory::ReadProgramMemory(qint32 address)
{
    return readByte(address, 0x01, kProgramEnd);
}

void ChipMemory::WriteDataMemory(qint32 address, quint8 value)
{
    writeByte(address, 0x06, kDataEnd, value);
}

void ChipMemory::WriteProgramMemory(qint32 address, quint8 value)
{
    writeByte(address, 0x02, kProgramEnd, value);
}

quint8 ChipMemory::read(bool dataSpace, qint32 address)
{
    return dataSpace ? ReadDataMemory(address) : ReadProgramMemory(address);
}

void ChipMemory::write(bool dataSpace, qint32 address, quint8 value)
{
    dataSpace ? WriteDataMemory(address, value) : WriteProgramMemory(address, value);
}

void ChipMemory::ProgrammingEnable()
{
    instruction([this] { sendEnable(); }, false);
}

void ChipMemory::sendEnable()
{
    m_driver.Delay(500);
    m_driver.SendProgByte(0xAC);
    m_driver.SendProgByte(0x53);
    m_driver.SendProgByte(0x01);
}

void ChipMemory::ClearRTS()
{
    throwIfFailed(m_driver.setLine(MSComm::Line::RTS, false));
}
