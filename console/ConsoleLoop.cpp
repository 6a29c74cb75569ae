// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppState.h"
#include "common/EventWait.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/ChipError.h"
#include "programmer/ChipMemory.h"

#include <QScopedValueRollback>
#include <QStringList>

namespace {
constexpr quint32 kDataColour = 0xFFFFFF;    // white
constexpr quint32 kProgramColour = 0xFFFF00; // yellow
} // namespace

void Module1::ConsolePrint(const QString &text)
{
    m_host.print(text);
}

void Module1::waitForKey()
{
    // With a key waiting, one pass of the event loop; otherwise sleep until the next event
    // (a key, a timer, the window closing).
    if (m_app.ConsoleKey != 0) {
        EventWait::pending();
        return;
    }
    const QScopedValueRollback atPrompt(m_atPrompt, true);
    EventWait::next();
}

void Module1::printBanner()
{
    ConsolePrint(kCrLf + QStringLiteral("Console mode - use HEX") + kCrLf);
    showSpace(m_app.DataSpace);
    ConsolePrint(QStringLiteral("Commands  M, P, D, X, V, H, ?"));
    ConsolePrint(kCrLf);
}

void Module1::selectSpace(bool data)
{
    m_app.ConsoleKey = 13;
    m_app.DataSpace = data;
    showSpace(data);
}

void Module1::showSpace(bool data)
{
    m_host.setTextColour(data ? kDataColour : kProgramColour);
    ConsolePrint(data ? QStringLiteral("Data memory space") : QStringLiteral("Program memory space"));
}

void Module1::runCommand(quint8 c)
{
    switch (c) {
    case 0x50:
        selectSpace(false);
        break;
    case 0x44:
        selectSpace(true);
        break;
    case 0x4D:
        ModifyMemory();
        break;
    case 0x58:
        m_host.leaveProgrammingMode();
        break;
    case 0x56:
        ViewMemory();
        m_app.ConsoleKey = 13;
        break;
    case 0x48:
        HexDownload();
        m_app.ConsoleKey = 13;
        break;
    case 0x1F:
        PrintHelp();
        m_app.ConsoleKey = 13;
        break;
    default:
        m_app.ConsoleKey = 0;
        break;
    }
}

void Module1::ConsoleLoop()
{
    do {
        if (m_app.ConsoleKey != 0) {
            printBanner();
            try {
                runCommand(quint8(m_app.ConsoleKey & 0xFF) & 0xDF);
            } catch (const ChipError &error) {
                // One line, then back to the command level.
                ConsolePrint(kCrLf + error.description() + kCrLf);
                m_app.ConsoleKey = 13;
            }
        }
        if (m_app.ProgMode)
            waitForKey();
    } while (m_app.ProgMode);
}

void Module1::PrintHelp()
{
    ConsolePrint(kCrLf);
    const QStringList lines{
        QStringLiteral("Help: - "),
        QStringLiteral("M - Modify a byte or bytes in the current memory space"),
        QStringLiteral("P - Select current space as Program or Code space"),
        QStringLiteral("D - Select current space as Data space"),
        QStringLiteral("X - Exit Console mode"),
        QStringLiteral("V - View memory area as address;bytes;ascii"),
        QStringLiteral("H - Hex download. Programms selected memory area using hex file"),
        QStringLiteral("? - This"),
    };
    ConsolePrint(lines.join(kCrLf) + kCrLf);
}
