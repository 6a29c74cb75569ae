// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TerminalSession.h"

#include "common/EventWait.h"
#include "settings/ApplyProperties.h"
#include "settings/StoredProperties.h"

#include <QDeadlineTimer>

TerminalSession::Stored TerminalSession::Stored::read(const SettingsStore &store)
{
    const QStringList v = StoredProperties::read(store, {{QStringLiteral("FormWidth"), {}},
                                                         {QStringLiteral("FormHeight"), {}},
                                                         {QStringLiteral("Settings"), {}},
                                                         {QStringLiteral("CommPort"), {}},
                                                         {QStringLiteral("Handshaking"), {}},
                                                         {QStringLiteral("LastTextFile"), {}},
                                                         {QStringLiteral("Echo"), {}},
                                                         {QStringLiteral("TimeStamps"), {}},
                                                         {QStringLiteral("HexView"), {}},
                                                         {QStringLiteral("Plot"), {}},
                                                         {QStringLiteral("AutoReconnect"), {}}});
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]};
}

TerminalSession::TerminalSession(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_port(m_services.openDevice, m_services.messages, [this] { return !m_programming.holdsTarget(); })
    , m_received({m_services.store, m_services.messages, m_services.files, m_services.clock}, m_app, m_properties)
    , m_programming({m_services.messages, m_services.files, m_services.bitbangOf, m_services.waits.chipScale}, m_port,
                    m_app, m_properties)
    , m_transfer({m_services.messages, m_services.files, m_programming.timer(), m_services.waits.eolTimeoutMs}, m_port,
                 m_received, m_properties, m_app)
{
    connectRooms();
}

void TerminalSession::connectRooms()
{
    connect(&m_port, &PortControl::dataReceived, &m_received, &ReceivePipeline::MSComm1_OnComm);
    connect(&m_port, &PortControl::stateChanged, this, &TerminalSession::showPortState);
    connect(&m_port, &PortControl::lost, this, &TerminalSession::onPortLost);
    connect(&m_port, &PortControl::formatReported, this, &TerminalSession::portFormatReported);
    connect(&m_port, &PortControl::writeFailed, this, [this](const QString &why) { m_services.messages.warn(why); });
    connect(&m_received, &ReceivePipeline::textChanged, this, &TerminalSession::textChanged);
    connect(&m_programming, &ProgrammingMode::printed, this, [this](QString text) { m_received.ShowData(text); });
    connect(&m_programming, &ProgrammingMode::textColourChanged, this, &TerminalSession::textColourChanged);
    connect(&m_programming, &ProgrammingMode::captionChanged, this, &TerminalSession::captionChanged);
    connect(&m_programming, &ProgrammingMode::progressChanged, this, &TerminalSession::progressChanged);
    connect(&m_programming, &ProgrammingMode::programmingChanged, this, &TerminalSession::programmingChanged);
    connect(&m_programming, &ProgrammingMode::drawRequested, this, &TerminalSession::drawRequested);
    connect(&m_programming, &ProgrammingMode::stateChanged, this, &TerminalSession::commandsChanged);
    connect(&m_transfer, &TransferHost::statusChanged, this, &TerminalSession::statusChanged);
    connect(&m_transfer, &TransferHost::captionChanged, this, &TerminalSession::captionChanged);
    connect(&m_transfer, &TransferHost::stateChanged, this, &TerminalSession::commandsChanged);
}

TerminalSession::Started TerminalSession::start()
{
    const Stored stored = Stored::read(m_services.store);
    const Started started{stored.formWidth, stored.formHeight,
                          m_port.load(m_services.store, stored.settings, stored.commPort, stored.handshaking)};
    if (started.port.complete)
        loadRest(stored);
    m_received.loadViews({StoredProperties::flag(stored.timeStamps).value_or(false),
                          StoredProperties::flag(stored.hexView).value_or(false),
                          StoredProperties::flag(stored.plot).value_or(false)});
    if (const auto on = StoredProperties::flag(stored.autoReconnect))
        m_port.setReconnectAutomatically(*on);
    emit commandsChanged();
    return started;
}

void TerminalSession::loadRest(const Stored &stored)
{
    m_transfer.load(stored.lastTextFile);
    if (const auto on = StoredProperties::flag(stored.echo))
        m_app.LocalEcho = *on;
    warnIf(m_port.comm().setRTSEnable(m_properties.invertsData())); // the port is closed: it is remembered
    if (const QStringList &warnings = m_services.store.warnings(); !warnings.isEmpty())
        m_services.messages.warn(warnings.join(QLatin1Char('\n')));
}

TerminalSession::Close TerminalSession::requestClose(bool askBeforeDropping, const SettingsStore::Entries &windowState)
{
    // The console and its download return and release the chip before anything is asked.
    if (m_programming.holdsTarget()) {
        m_closeWhenFree = true;
        m_programming.stop();
        return Close::Later;
    }
    m_closeWhenFree = false;
    if (!drain(askBeforeDropping))
        return Close::Stay; // everything as it was, a running transfer included
    m_transfer.abort();
    m_port.comm().close();
    if (m_received.logOpen())
        closeLog();
    SettingsStore::Entries entries = windowState;
    // A start-up that stopped early never read it: what is stored stays.
    if (m_transfer.lastTextFileKnown())
        entries.prepend({QStringLiteral("LastTextFile"), m_transfer.lastTextFile()});
    warnIf(StoredProperties::write(m_services.store, entries));
    return Close::Now;
}

bool TerminalSession::drain(bool askBeforeDropping)
{
    const MSComm &comm = m_port.comm();
    QDeadlineTimer deadline(m_services.waits.drainMs);
    while (comm.PortOpen() && comm.OutBufferCount() > 0) {
        EventWait::next(100);
        if (!deadline.hasExpired())
            continue;
        if (!askBeforeDropping)
            return true; // told to end: what could not go out in the drain wait is dropped
        const auto answer = m_services.messages.show(QStringLiteral("Data cannot be sent"),
                                                     MessageBox::Buttons::AbortRetryIgnore, MessageBox::Icon::Question);
        if (answer == MessageBox::Answer::Abort)
            return false;
        if (answer == MessageBox::Answer::Ignore)
            return true;
        deadline.setRemainingTime(m_services.waits.drainMs);
    }
    return true;
}

void TerminalSession::togglePort()
{
    m_port.toggle();
    if (m_port.isOpen() || !m_transfer.sending())
        return;
    m_transfer.abort();
    showPortState();
    m_services.messages.warn(
        QStringLiteral("The port was closed: the transfer of %1 ended").arg(m_transfer.lastTextFile()));
}

bool TerminalSession::choosePort(int port)
{
    Properties chosen = properties();
    chosen.port = port;
    // Moving the port would pull it from under the console and the chip it holds in reset.
    return !m_app.ProgMode && !applyProperties(chosen);
}

bool TerminalSession::chooseSpeed(const QString &speed)
{
    Properties chosen = properties();
    chosen.speed = speed;
    return !m_app.ProgMode && !applyProperties(chosen);
}

Properties TerminalSession::properties()
{
    return currentProperties(m_port.comm(), m_app, m_properties);
}

Failure TerminalSession::applyProperties(const Properties &chosen)
{
    return m_port.apply(chosen, m_app, m_services.store, m_properties);
}

bool TerminalSession::setReconnectAutomatically(bool on)
{
    m_port.setReconnectAutomatically(on);
    emit commandsChanged();
    return said(
        StoredProperties::write(m_services.store, {{QStringLiteral("AutoReconnect"), StoredProperties::flag(on)}}));
}

void TerminalSession::showPortState()
{
    emit commandsChanged();
    // A running transfer keeps its stop prompt: the status bar is the way to stop it. It shows
    // the settings again when it ends.
    if (!m_transfer.sending())
        emit statusChanged(m_port.statusText());
}

void TerminalSession::onPortLost(const QString &description)
{
    // What ran on the port ends, so that the window shows the closed port; the one message says
    // where it stopped.
    QString message = description;
    if (m_transfer.sending())
        message += QStringLiteral("\nThe transfer of %1 stopped at line %2.")
                       .arg(m_transfer.lastTextFile())
                       .arg(m_transfer.line());
    else if (m_programming.downloadRunning())
        message += QStringLiteral("\nThe HEX download stopped at address %1.")
                       .arg(QString::number(m_programming.downloadAddress(), 16).toUpper().rightJustified(4, u'0'));
    const bool interrupted = m_transfer.sending() || m_programming.downloadRunning() || m_app.ProgMode;
    m_programming.stop();
    m_transfer.abort();
    showPortState();
    // Waiting is no news worth a box of its own; what the loss cut short is.
    if (interrupted || !m_port.reconnectsAutomatically())
        m_services.messages.warn(message);
}

TerminalSession::Key TerminalSession::typeKey(quint16 key)
{
    if (m_app.ProgMode) {
        m_app.ConsoleKey = key;
        return Key::ToConsole;
    }
    if (!m_port.comm().PortOpen())
        return m_port.waiting() ? Key::Refused : Key::EditsView;
    if (Failure failure = m_port.comm().Output(QByteArray(1, char(key)))) {
        emit statusChanged(tr("Not sent: %1").arg(*failure));
        return Key::Refused;
    }
    return m_app.LocalEcho ? Key::Echoed : Key::Sent;
}

void TerminalSession::viewEdited(qsizetype position, qsizetype length, const QString &with)
{
    m_received.viewEdited(position, length, with);
}

bool TerminalSession::setTimeStamps(bool on)
{
    return said(m_received.setTimeStamps(on));
}

bool TerminalSession::setHexView(bool on)
{
    return said(m_received.setHexView(on));
}

bool TerminalSession::setPlot(bool on)
{
    const bool stored = said(m_received.setPlot(on));
    emit commandsChanged(); // Save Plot goes with it
    return stored;
}

void TerminalSession::openLog()
{
    emit drawRequested(); // the screen shows what the log will follow on from
    if (const auto caption = m_received.openLog()) {
        emit captionChanged(*caption);
        emit commandsChanged();
    }
}

void TerminalSession::closeLog()
{
    emit drawRequested();
    emit captionChanged(m_received.closeLog());
    emit commandsChanged();
}

void TerminalSession::savePlot(const std::function<Failure(const QString &path)> &save)
{
    const FileDialog::Request request{QStringLiteral("Save Plot"),
                                      QStringLiteral("Points (*.csv)|*.csv|Picture (*.png)|*.png|All Files (*.*)|*.*"),
                                      FileDialog::Purpose::Save};
    if (const std::optional<QString> path = m_services.files.open(request))
        warnIf(save(*path));
}

void TerminalSession::sendTextFile()
{
    m_transfer.mnuSendText_Click();
}

void TerminalSession::resendTextFile()
{
    m_transfer.mmuResendTextFile();
}

TerminalSession::Key TerminalSession::resetTarget()
{
    warnIf(m_programming.pulseReset());
    return typeKey(32);
}

void TerminalSession::toggleProgramming()
{
    m_programming.mmuProg_Click();
    // A close that came while the console ran waited for the chip to go free.
    if (m_closeWhenFree && !m_programming.holdsTarget())
        QMetaObject::invokeMethod(this, &TerminalSession::closeResumed, Qt::QueuedConnection);
}

CommandFacts TerminalSession::facts() const
{
    return {m_port.isOpen(),
            m_received.logOpen(),
            !m_transfer.lastTextFile().isEmpty(),
            m_programming.holdsTarget(),
            m_transfer.running(),
            m_programming.downloadRunning(),
            m_port.waiting(),
            m_received.views().plot() != nullptr};
}

void TerminalSession::warnIf(const Failure &failure)
{
    if (failure)
        m_services.messages.warn(*failure);
}

bool TerminalSession::said(const Failure &failure)
{
    warnIf(failure);
    return !failure;
}
