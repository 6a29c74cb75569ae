// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ProgrammingMode.h"

#include "common/AppState.h"
#include "session/PortControl.h"
#include "settings/PropertiesModel.h"

#include <tuple>

ProgrammingMode::ProgrammingMode(Services services, PortControl &port, AppState &app, PropertiesModel &properties,
                                 QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_port(port)
    , m_app(app)
    , m_properties(properties)
    , m_programmer(port.comm(), m_services.chipScale)
{}

void ProgrammingMode::mmuProg_Click()
{
    if (m_app.ProgMode) {
        warnIf(leave()); // the console's X
        return;
    }
    if (!enter())
        return;
    m_console.ConsoleLoop(); // until programming mode ends
    // Ended by a close or a lost port: the console has stopped clocking, now the chip goes free.
    if (m_holdingTarget)
        warnIf(leave());
}

void ProgrammingMode::warnIf(const Failure &failure)
{
    if (failure)
        m_services.messages.warn(*failure);
}

bool ProgrammingMode::enter()
{
    // Refused before the chip is held or the menus change: nothing to undo.
    if (Failure refused = m_port.comm().refusesProgramming()) {
        warnIf(refused);
        return false;
    }
    // The console's chip operations read the values, never the store; the data line's inversion
    // holds for the whole session.
    m_programmer.setInvertsData(m_properties.invertsData());
    emit drawRequested();
    emit programmingChanged(true);
    m_app.ProgMode = true;
    m_app.ConsoleKey = 1;
    m_holdingTarget = true;
    emit stateChanged(); // nothing else starts while the adapter changes hands
    if (!takeBackend()) {
        warnIf(leave());
        return false;
    }
    if (Failure failure = m_programmer.target().holdInReset()) {
        std::ignore = leave(); // the same lines refuse again: one message says it
        warnIf(failure);
        return false;
    }
    return true;
}

Failure ProgrammingMode::leave()
{
    emit programmingChanged(false);
    setTextColour(kReceivedTextColour);
    m_app.ProgMode = false;
    // A port that went away keeps the released levels for when it is back; only an open one can
    // refuse them.
    Failure released = m_programmer.target().release();
    if (!m_port.isOpen())
        released.reset();
    m_holdingTarget = false;
    giveBackBackend();
    emit stateChanged();
    m_app.DataSpace = true;
    return released;
}

bool ProgrammingMode::takeBackend()
{
    // The console drives the chip through the adapter's bit-bang where it has it; the terminal and
    // "ResetCPU" keep the serial driver, which lets go of the chip meanwhile.
    if (!m_services.bitbangOf || !m_port.comm().PortOpen())
        return true;
    const BitbangOffer offer = m_services.bitbangOf(m_port.comm().CommPort());
    if (m_linesAfter.contains(offer.device))
        return true;
    m_backend = BackendChoice::take(
        offer, [this] { m_port.lend(); }, [this] { return m_port.takeBack(); });
    if (m_backend.ftdi) {
        m_programmer.useBackend(&m_backend.ftdi->backend());
        return true;
    }
    if (m_backend.stop) {
        warnIf(m_backend.stop);
        return false;
    }
    if (m_backend.fellBack) {
        m_linesAfter.insert(offer.device); // said once; the next "Prog" goes straight to the lines
        warnIf(m_backend.fellBack);
    }
    return m_port.comm().PortOpen(); // a port that waits for its device has none to program
}

void ProgrammingMode::giveBackBackend()
{
    if (!m_backend.ftdi)
        return;
    m_programmer.useBackend(nullptr);
    const Failure uart = m_backend.ftdi->release();
    m_backend = {};
    warnIf(m_port.takeBack());
    warnIf(uart);
}

Failure ProgrammingMode::pulseReset()
{
    m_properties.values(); // read before the lines move, not in the middle of the pulse
    return m_programmer.target().pulseReset();
}

bool ProgrammingMode::atPrompt() const
{
    return m_app.ProgMode && m_console.atPrompt();
}

void ProgrammingMode::stop()
{
    m_app.ProgMode = false;
    m_app.CancelSend = true;
}

void ProgrammingMode::leaveProgrammingMode()
{
    if (m_app.ProgMode)
        mmuProg_Click();
}

std::optional<QString> ProgrammingMode::chooseFile(const FileDialog::Request &request)
{
    return m_services.files.open(request);
}

void ProgrammingMode::setDownloadRunning(bool running)
{
    m_downloadRunning = running;
    emit stateChanged();
}
