// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/TerminalSession.h"

#include "common/EventWait.h"
#include "common/UserDialogs.h"
#include "settings/ApplyProperties.h"
#include "settings/SettingsStore.h"
#include "settings/StoredProperties.h"

#include <QDeadlineTimer>

namespace {
std::optional<int> toInt(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

TerminalSession::TerminalSession(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    connect(&MSComm1, &MSComm::dataReceived, this, &TerminalSession::MSComm1_OnComm);
    connect(&MSComm1, &MSComm::lost, this, &TerminalSession::onPortLost);
    connect(&m_reconnection, &Reconnection::reopened, this, &TerminalSession::onReconnected);
    connect(&m_reconnection, &Reconnection::tryFailed, this, &TerminalSession::showPortState);
}

TerminalSession::StoredPort TerminalSession::load(const QStringList &stored)
{
    StoredPort shown = loadPort(stored[0], stored[1], stored[2]);
    if (shown.complete)
        loadRest(stored[3], stored[4]);
    m_views.load(StoredProperties::flag(stored[5]).value_or(false), StoredProperties::flag(stored[6]).value_or(false),
                 m_text.text());
    if (const auto on = StoredProperties::flag(stored[7]))
        m_reconnectAutomatically = *on;
    return shown;
}

TerminalSession::StoredPort TerminalSession::loadPort(const QString &settings, const QString &port,
                                                      const QString &handshaking)
{
    StoredPort shown;
    LineFormat format = MSComm1.format();
    if (!settings.isEmpty())
        if (Failure failure = format.setSettingsText(settings); failure || (failure = MSComm1.setFormat(format))) {
            m_services.messages.warn(*failure);
            return shown;
        }
    if (settings.contains(QLatin1Char(',')))
        shown.speedText = settings.section(QLatin1Char(','), 0, 0);

    const Failure refused = toInt(port) ? MSComm1.setCommPort(*toInt(port)) : std::nullopt;
    shown.portText = refused ? QStringLiteral("Com%1").arg(MSComm1.CommPort()) : QStringLiteral("Com") + port;
    if (refused) {
        m_services.messages.warn(*refused);
        return shown;
    }

    if (!handshaking.isEmpty()) {
        const auto mode = toInt(handshaking);
        Failure failure = mode ? format.setHandshaking(*mode)
                               : Failure(tr("Invalid property value: handshaking %1").arg(handshaking));
        if (!failure)
            failure = MSComm1.setFormat(format);
        if (failure) {
            m_services.messages.warn(*failure);
            return shown;
        }
    }
    shown.complete = true;
    return shown;
}

void TerminalSession::loadRest(const QString &lastTextFile, const QString &echo)
{
    LastTextFile = lastTextFile;
    m_lastTextFileKnown = true;
    if (const auto on = StoredProperties::flag(echo))
        m_app.LocalEcho = *on;
    if (!LastTextFile.isEmpty())
        setCaption(QStringLiteral("Send Text > ") + LastTextFile);
    (void)MSComm1.setRTSEnable(m_properties.invertsData());
    emit commandsChanged();
    if (const QStringList &warnings = m_services.store.warnings(); !warnings.isEmpty())
        m_services.messages.warn(warnings.join(QLatin1Char('\n')));
}

bool TerminalSession::unload(bool askBeforeDropping)
{
    m_sender.abort();
    if (MSComm1.PortOpen()) {
        QDeadlineTimer deadline(m_services.waits.drainMs);
        while (MSComm1.PortOpen() && MSComm1.OutBufferCount() > 0) {
            EventWait::next(100);
            if (!deadline.hasExpired())
                continue;
            if (!askBeforeDropping)
                break; // told to end: what could not go out in the drain wait is dropped
            const auto answer =
                m_services.messages.show(QStringLiteral("Data cannot be sent"), MessageBox::Buttons::AbortRetryIgnore,
                                         MessageBox::Icon::Question);
            if (answer == MessageBox::Answer::Abort)
                return false;
            if (answer == MessageBox::Answer::Ignore)
                break;
            deadline.setRemainingTime(m_services.waits.drainMs);
        }
        (void)MSComm1.setPortOpen(false);
    }
    if (m_log.isOpen())
        mnuCloseLog_Click();
    return true;
}

Failure TerminalSession::setReconnectAutomatically(bool on)
{
    m_reconnectAutomatically = on;
    if (!on && m_reconnection.waiting()) {
        m_reconnection.cancel();
        showPortState();
    }
    emit commandsChanged();
    return shown(
        StoredProperties::write(m_services.store, {{QStringLiteral("AutoReconnect"), StoredProperties::flag(on)}}));
}

Failure TerminalSession::shown(Failure failure)
{
    if (failure)
        m_services.messages.warn(*failure);
    return failure;
}

void TerminalSession::mnuOpen_Click()
{
    // A port that waits for its device counts as open: the click closes it for good.
    if (m_reconnection.waiting()) {
        m_reconnection.cancel();
        showPortState();
        return;
    }
    if (Failure failure = MSComm1.setPortOpen(!MSComm1.PortOpen()))
        m_services.messages.warn(*failure);
    const bool transferEnded = !MSComm1.PortOpen() && m_sender.isRunning();
    if (transferEnded)
        m_sender.abort();
    showPortState();
    if (transferEnded)
        m_services.messages.warn(QStringLiteral("The port was closed: the transfer of %1 ended").arg(LastTextFile));
}

Failure TerminalSession::choosePort(int port)
{
    return applyChoices(currentChoices(MSComm1, m_app, port));
}

Failure TerminalSession::chooseSpeed(const QString &speed)
{
    PortChoices choices = currentChoices(MSComm1, m_app, MSComm1.CommPort());
    const QStringList fields = choices.format.fields();
    choices.refused = choices.format.setFields(speed.trimmed(), fields[1], fields[2], fields[3]);
    return applyChoices(choices);
}

Failure TerminalSession::applyChoices(const PortChoices &choices)
{
    // Moving the port would pull it from under the console and the chip it holds in reset; the
    // list just goes back.
    if (m_app.ProgMode)
        return tr("Operation valid only outside programming mode");
    const Failure failure = applyProperties(choices, MSComm1, m_app, m_services.store, m_properties);
    showPortState();
    if (failure)
        m_services.messages.warn(*failure);
    else
        m_properties.discard();
    return failure;
}

void TerminalSession::showPortState()
{
    emit commandsChanged();
    // A running transfer keeps its stop prompt: the status bar is the way to stop it. It shows
    // the settings again when it ends.
    if (m_sender.isRunning())
        return;
    if (!m_reconnection.waiting())
        setStatusText(QStringLiteral("Settings: ") + (MSComm1.PortOpen() ? portSettings() : QString()));
    else if (m_reconnection.lastFailure().isEmpty())
        setStatusText(m_lostDevice + QStringLiteral("; waiting for it to come back"));
    else
        setStatusText(QStringLiteral("Waiting: ") + m_reconnection.lastFailure());
}

void TerminalSession::onReconnected()
{
    emit commandsChanged();
    setStatusText(QStringLiteral("Settings: %1 (reconnected)").arg(portSettings()));
}

void TerminalSession::onPortLost(const QString &description)
{
    // What ran on the port ends, so that the window shows the closed port; the one message says
    // where it stopped.
    QString message = description;
    if (m_sender.isRunning())
        message += QStringLiteral("\nThe transfer of %1 stopped at line %2.").arg(LastTextFile).arg(m_sender.line());
    else if (m_downloadRunning)
        message += QStringLiteral("\nThe HEX download stopped at address %1.")
                       .arg(QString::number(m_console.downloadAddress(), 16).toUpper().rightJustified(4, u'0'));
    const bool interrupted = m_sender.isRunning() || m_downloadRunning || m_app.ProgMode;
    stopProgramming();
    m_sender.abort();
    m_lostDevice = description;
    if (m_reconnectAutomatically)
        m_reconnection.begin(); // programming mode first ends and frees the chip
    showPortState();
    // Waiting is no news worth a box of its own; what the loss cut short is.
    if (interrupted || !m_reconnectAutomatically)
        m_services.messages.warn(message);
}

void TerminalSession::MSComm1_OnComm(const QByteArray &bytes)
{
    m_views.received(bytes);
    // Programming mode leaves what arrives waiting, to be shown with the first notification after it.
    if (m_app.ProgMode) {
        m_waitingInput += bytes;
        return;
    }
    // Latin-1 maps every byte to the character of the same code and back.
    QString text = QString::fromLatin1(m_waitingInput.isEmpty() ? bytes : std::exchange(m_waitingInput, {}) + bytes);
    if (const std::optional<char16_t> eol = m_properties.eolCharacter(); eol && text.contains(QChar(*eol)))
        EOLReceived = true;
    ShowData(text);
}

void TerminalSession::ShowData(QString &Data)
{
    const TerminalText::Cut cut = m_text.showData(Data);
    m_views.shown(cut.dropped, cut.erased, Data);
    if (Failure failure = m_log.write(Data))
        m_services.messages.warn(*failure);
    emit textChanged();
}

TerminalSession::Key TerminalSession::txtTerm_KeyPress(quint16 KeyAscii)
{
    if (m_app.ProgMode) {
        m_app.ConsoleKey = KeyAscii;
        return Key::ToConsole;
    }
    if (!MSComm1.PortOpen())
        return m_reconnection.waiting() ? Key::Refused : Key::EditsView;
    (void)MSComm1.Output(QByteArray(1, char(KeyAscii)));
    return m_app.LocalEcho ? Key::Echoed : Key::Sent;
}

void TerminalSession::viewEdited(qsizetype position, qsizetype length, const QString &with)
{
    m_views.edited(position, length, with);
    m_text.replace(position, length, with);
}

void TerminalSession::mnuOpenLog_Click()
{
    emit drawRequested(); // the screen shows what the log will follow on from
    if (const auto caption = m_log.mnuOpenLog_Click()) {
        setCaption(*caption);
        emit commandsChanged();
    }
}

void TerminalSession::mnuCloseLog_Click()
{
    emit drawRequested();
    setCaption(m_log.mnuCloseLog_Click());
    emit commandsChanged();
}

TerminalSession::Key TerminalSession::mmuReset_Click()
{
    m_properties.values(); // read before the lines move, not in the middle of the pulse
    if (Failure failure = m_programmer.target().pulseReset())
        m_services.messages.warn(*failure);
    return txtTerm_KeyPress(32);
}

void TerminalSession::mmuProg_Click()
{
    if (m_app.ProgMode) {
        leaveProgramming(); // the console's X
        return;
    }
    if (!enterProgramming())
        return;
    m_console.ConsoleLoop(); // until programming mode ends
    // Ended by a close or a lost port: the console has stopped clocking, now the chip goes free.
    if (m_holdingTarget)
        leaveProgramming();
}

bool TerminalSession::enterProgramming()
{
    // The console's chip operations read the values, never the store; the data line's inversion
    // holds for the whole session.
    m_programmer.setInvertsData(m_properties.invertsData());
    emit drawRequested(); // what came before is on the screen before the console speaks
    emit programmingChanged(true);
    m_app.ProgMode = true;
    m_app.ConsoleKey = 1;
    m_holdingTarget = true;
    emit commandsChanged(); // nothing else starts while the adapter changes hands
    if (!takeBitbang()) {
        leaveProgramming();
        return false;
    }
    (void)m_programmer.target().holdInReset();
    return true;
}

void TerminalSession::leaveProgramming()
{
    emit programmingChanged(false);
    setTextColour(kReceivedTextColour);
    m_app.ProgMode = false;
    m_programmer.target().release();
    m_holdingTarget = false;
    giveBackBitbang();
    emit commandsChanged();
    m_app.DataSpace = true;
}

bool TerminalSession::takeBitbang()
{
    // The console drives the chip through the adapter's bit-bang where it has it; the terminal and
    // "ResetCPU" keep the serial driver, which needs the port closed meanwhile.
    if (!m_services.bitbangOf || !MSComm1.PortOpen())
        return true;
    const BitbangOffer offer = m_services.bitbangOf(MSComm1.CommPort());
    if (!offer.worthTrying())
        return true;
    (void)MSComm1.setPortOpen(false);
    m_bitbang = BackendChoice::make(offer);
    if (m_bitbang.ftdi) {
        m_programmer.useBackend(&m_bitbang.ftdi->backend());
        return true;
    }
    m_services.messages.warn(*(m_bitbang.stop ? m_bitbang.stop : m_bitbang.fellBack));
    if (Failure failure = MSComm1.setPortOpen(true))
        m_services.messages.warn(*failure);
    return !m_bitbang.stop && MSComm1.PortOpen();
}

void TerminalSession::giveBackBitbang()
{
    if (!m_bitbang.ftdi)
        return;
    m_programmer.useBackend(nullptr);
    m_bitbang = {}; // the UART again, and the serial driver
    // The kernel makes the serial device again a moment later: until then the port waits for it
    // as for a device that came back, whatever the reconnection choice, since we took it away.
    if (Failure failure = MSComm1.setPortOpen(true)) {
        m_lostDevice = *failure;
        m_reconnection.begin();
        showPortState();
    }
}

void TerminalSession::stopProgramming()
{
    m_app.ProgMode = false;
    m_app.CancelSend = true;
}

void TerminalSession::leaveProgrammingMode()
{
    if (m_app.ProgMode)
        mmuProg_Click();
}

CommandFacts TerminalSession::facts() const
{
    return {MSComm1.PortOpen(), m_log.isOpen(),    !LastTextFile.isEmpty(), m_holdingTarget,
            m_transferRunning,  m_downloadRunning, m_reconnection.waiting()};
}

void TerminalSession::transferChanged(bool running)
{
    m_transferRunning = running;
    emit commandsChanged();
}

void TerminalSession::setLastTextFile(const QString &path)
{
    LastTextFile = path;
    m_lastTextFileKnown = true;
    emit commandsChanged();
}

void TerminalSession::print(const QString &text)
{
    QString data = text;
    ShowData(data);
}

std::optional<QString> TerminalSession::chooseFile(const FileDialog::Request &request)
{
    return m_services.files.open(request);
}

void TerminalSession::setDownloadRunning(bool running)
{
    m_downloadRunning = running;
    emit commandsChanged();
}
