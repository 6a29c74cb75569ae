// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppState.h"
#include "common/EventWait.h"
#include "common/Hex.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/ChipMemory.h"

qint32 Module1::ReadHexKeys(int maxDigits)
{
    QString buffer;
    m_app.ConsoleKey = 0;
    while (maxDigits > 0) {
        const quint16 key = m_app.ConsoleKey;
        if (key == 13)
            break; // Enter ends the entry and stays in the cell
        if (key != 0) {
            const quint8 c = quint8(key & 0xFF) & 0xDF;
            if (c == 0x4E)
                return kNext;
            if (c == 0x0E)
                return kFinish;
            if (c == 0x50)
                return kPrevious;
            buffer += QChar(key);
            m_app.ConsoleKey = 0;
            --maxDigits;
            continue;
        }
        waitForKey();
        if (!m_app.ProgMode)
            return kFinish; // the window is closing
    }
    if (buffer.isEmpty())
        return kKeep;
    return Hex::hexToBinary(buffer);
}

qint32 Module1::PromptHex(const QString &prompt, qint32 defaultValue)
{
    ConsolePrint(kCrLf + prompt + QStringLiteral(" ") + QStringLiteral(" (return for ")
                 + QString::number(defaultValue, 16).toUpper() + QStringLiteral("):"));
    const qint32 r = ReadHexKeys(4);
    m_app.ConsoleKey = 0;
    if (r == kKeep)
        return defaultValue;
    if (r < 0)
        ConsolePrint(QStringLiteral("Invalid Hex ") + kCrLf);
    return r;
}

void Module1::PrintViewByte(qint32 address, quint8 value, bool first, bool last)
{
    auto padding = [this] { return QString(3 * std::abs(int(m_asciiLine.size()) - 16) + 5, QLatin1Char(' ')); };
    if (first) {
        m_asciiLine.clear();
        ConsolePrint(kCrLf + Hex::fWord(address) + QStringLiteral(" "));
        return;
    }
    if (last) {
        ConsolePrint(padding() + m_asciiLine + kCrLf);
        return;
    }
    if (address % 16 == 0) {
        ConsolePrint(padding() + m_asciiLine);
        ConsolePrint(kCrLf + Hex::fWord(address) + QStringLiteral(" "));
        m_asciiLine.clear();
    }
    ConsolePrint(Hex::fByte(value) + QStringLiteral(" "));
    m_asciiLine += (value >= 31 && value <= 125) ? QChar(value) : QLatin1Char('.');
}

void Module1::ViewMemory()
{
    qint32 r = PromptHex(QStringLiteral("Start Address"), m_app.CurrentAddress);
    if (r < 0)
        return;
    m_app.CurrentAddress = r;
    r = PromptHex(QStringLiteral("End Address"), m_endAddress);
    if (r < 0)
        return;
    m_endAddress = r;
    if (m_endAddress <= m_app.CurrentAddress)
        return;
    // Only addresses the chip has.
    const qint32 last = ChipMemory::lastAddress(m_app.DataSpace);
    if (m_app.CurrentAddress > last) {
        ConsolePrint(kCrLf + QStringLiteral("Maximum address is H%1").arg(QString::number(last, 16)) + kCrLf);
        return;
    }
    const qint32 end = std::min(m_endAddress, last);
    ChipMemory &chip = m_host.chip();
    PrintViewByte(m_app.CurrentAddress, 1, true, false);
    chip.ProgrammingEnable();
    for (qint32 a = m_app.CurrentAddress; a <= end && m_app.ProgMode; ++a)
        PrintViewByte(a, chip.read(m_app.DataSpace, a), false, false);
    PrintViewByte(end + 1, 1, false, true);
    chip.ClearRTS();
}

void Module1::ModifyMemory()
{
    ConsolePrint(kCrLf + QStringLiteral("Commands - \"n\"-next, \"p\"-prevoius, \".\"-finish \"CR\" - re-fetch byte"));
    const qint32 r = PromptHex(QStringLiteral("Address"), m_app.CurrentAddress);
    if (r < 0) {
        ConsolePrint(kCrLf + QStringLiteral("Invalid hex"));
        m_app.ConsoleKey = 0;
        return;
    }
    m_app.CurrentAddress = r;
    if (m_app.DataSpace && m_app.CurrentAddress > ChipMemory::kDataEnd) {
        ConsolePrint(kCrLf + QStringLiteral("Maximum data address is H7ff"));
        m_app.CurrentAddress = ChipMemory::kDataEnd;
    } else if (m_app.CurrentAddress > ChipMemory::kProgramEnd) {
        ConsolePrint(kCrLf + QStringLiteral("Maximum programm address is H1fff"));
        m_app.CurrentAddress = ChipMemory::kProgramEnd;
    }
    m_app.ConsoleKey = 0;
    m_host.chip().ProgrammingEnable();
    modifyLoop();
}

void Module1::modifyLoop()
{
    ChipMemory &chip = m_host.chip();
    const qint32 last = ChipMemory::lastAddress(m_app.DataSpace);
    for (;;) {
        ConsolePrint(kCrLf);
        ConsolePrint(Hex::fWord(m_app.CurrentAddress) + QStringLiteral(" : "));
        const quint8 value = chip.read(m_app.DataSpace, m_app.CurrentAddress);
        ConsolePrint(QString::number(value, 16).toUpper() + QStringLiteral(" \""));
        ConsolePrint((value >= 33 && value <= 125) ? QString(QChar(value)) : QStringLiteral("."));
        ConsolePrint(QStringLiteral("\" >"));
        const qint32 v = ReadHexKeys(2);
        if (v >= 0 && v <= 255) {
            chip.write(m_app.DataSpace, m_app.CurrentAddress, quint8(v));
            m_app.CurrentAddress = std::min(m_app.CurrentAddress + 1, last);
        } else if (v == kNext) {
            m_app.CurrentAddress = std::min(m_app.CurrentAddress + 1, last);
        } else if (v == kPrevious) {
            m_app.CurrentAddress = std::max(m_app.CurrentAddress - 1, 0);
        } else if (v == kFinish) {
            return;
        }
        EventWait::pending();
    }
}
