// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/ChipMemory.h"

#include "programmer/ChipError.h"
#include "programmer/LineDriver.h"
#include "programmer/TargetControl.h"

#include <QObject>

namespace {
constexpr int kGatheredBatch = 32; // about a tenth of a second of the chip's waits a run
constexpr quint8 kReadProgram = 0x01, kWriteProgram = 0x02, kReadData = 0x05, kWriteData = 0x06;
} // namespace

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

void ChipMemory::sendWrite(qint32 address, quint8 code, quint8 value)
{
    sendAddress(address, code);
    m_driver.SendProgByte(value);
    m_driver.Delay(2.5);
}

QByteArray ChipMemory::readMany(bool dataSpace, const QList<qint32> &addresses)
{
    for (qint32 address : addresses)
        checkAddress(address, lastAddress(dataSpace));
    return instruction(
        [&] {
            for (qint32 address : addresses) {
                sendAddress(address, dataSpace ? kReadData : kReadProgram);
                m_driver.queueReadByte();
            }
            return m_driver.flush();
        },
        true);
}

void ChipMemory::writeMany(bool dataSpace, const Cells &cells)
{
    for (const auto &cell : cells)
        checkAddress(cell.first, lastAddress(dataSpace));
    instruction(
        [&] {
            for (const auto &[address, value] : cells)
                sendWrite(address, dataSpace ? kWriteData : kWriteProgram, value);
            m_driver.flush();
        },
        true);
}

int ChipMemory::batch() const
{
    return m_driver.gathers() ? kGatheredBatch : 1;
}

quint8 ChipMemory::ReadDataMemory(qint32 address)
{
    return quint8(readMany(true, {address}).at(0));
}

quint8 ChipMemory::ReadProgramMemory(qint32 address)
{
    return quint8(readMany(false, {address}).at(0));
}

void ChipMemory::WriteDataMemory(qint32 address, quint8 value)
{
    writeMany(true, {{address, value}});
}

void ChipMemory::WriteProgramMemory(qint32 address, quint8 value)
{
    writeMany(false, {{address, value}});
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
    instruction(
        [this] {
            sendEnable();
            m_driver.flush();
        },
        false);
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
