// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PortControl.h"

#include "common/EventWait.h"
#include "settings/ApplyProperties.h"
#include "settings/PropertiesModel.h"
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

PortControl::PortControl(MSComm::DeviceFactory factory, MessageBox &messages, std::function<bool()> mayReopen,
                         QObject *parent)
    : QObject(parent)
    , m_messages(messages)
    , m_comm(std::move(factory))
    , m_reconnection(m_comm, std::move(mayReopen))
{
    connect(&m_comm, &MSComm::dataReceived, this, &PortControl::dataReceived);
    connect(&m_comm, &MSComm::lost, this, &PortControl::onLost);
    connect(&m_comm, &MSComm::writeFailed, this, &PortControl::writeFailed);
    connect(&m_comm, &MSComm::connected, this, &PortControl::stateChanged);
    connect(&m_comm, &MSComm::connectFailed, this, &PortControl::onConnectFailed);
    connect(&m_comm, &MSComm::formatReported, this, [this] {
        emit formatReported();
        emit stateChanged();
    });
    connect(&m_reconnection, &Reconnection::reopened, this, [this] {
        m_reconnected = true;
        emit stateChanged();
    });
    connect(&m_reconnection, &Reconnection::tryFailed, this, &PortControl::stateChanged);
}

PortControl::Stored PortControl::load(const SettingsStore &store, const QString &settings, const QString &port,
                                      const QString &handshaking)
{
    const auto refuse = [&](const QString &key, const QString &value, const QString &why, const QString &instead) {
        m_messages.warn(
            tr("%1 %2; %3 is used instead").arg(StoredProperties::entryName(store, key, value), why, instead));
    };
    Stored shown;
    LineFormat format = m_comm.format();
    if (!settings.isEmpty())
        if (Failure failure = format.setSettingsText(settings); failure || (failure = m_comm.setFormat(format))) {
            refuse(QStringLiteral("Settings"), settings, tr("is refused (%1)").arg(*failure), settingsText());
            return shown;
        }
    if (settings.contains(QLatin1Char(',')))
        shown.speedText = settings.section(QLatin1Char(','), 0, 0);

    // A port number that is no number is passed over without a word; the list shows it as stored.
    const Failure refused = toInt(port) ? m_comm.setCommPort(*toInt(port)) : std::nullopt;
    shown.portText = refused ? QStringLiteral("Com%1").arg(m_comm.CommPort()) : QStringLiteral("Com") + port;
    if (refused) {
        refuse(QStringLiteral("CommPort"), port.trimmed(), tr("is not a port from 1 to %1").arg(MSComm::kPortCount),
               QStringLiteral("Com%1").arg(m_comm.CommPort()));
        return shown;
    }

    if (!handshaking.isEmpty()) {
        const auto mode = toInt(handshaking);
        Failure failure = mode ? format.setHandshaking(*mode) : Failure(QString());
        if (!failure)
            failure = m_comm.setFormat(format);
        if (failure) {
            refuse(QStringLiteral("Handshaking"), handshaking, tr("is not a flow-control mode from 0 to 3"),
                   QString::number(m_comm.format().handshaking));
            return shown;
        }
    }
    shown.complete = true;
    return shown;
}

void PortControl::toggle()
{
    m_reconnected = false;
    // A port that waits for its device counts as open: the toggle closes it for good, and the
    // next open takes whatever device is there then.
    if (m_reconnection.waiting()) {
        m_reconnection.cancel();
        m_comm.close();
    } else if (m_comm.PortOpen()) {
        m_comm.close();
    } else if (Failure failure = m_comm.open()) {
        m_messages.warn(*failure);
    }
    emit stateChanged();
}

Failure PortControl::apply(const Properties &chosen, AppState &app, SettingsStore &store, PropertiesModel &model)
{
    m_reconnected = false;
    const Failure failure = applyProperties(chosen, m_comm, app, store);
    emit stateChanged();
    if (failure)
        m_messages.warn(*failure);
    else
        model.discard(); // anew from the store at the next use
    return failure;
}

void PortControl::setReconnectAutomatically(bool on)
{
    m_reconnectAutomatically = on;
    if (!on && m_reconnection.waiting()) {
        m_reconnection.cancel();
        emit stateChanged();
    }
}

QString PortControl::statusText() const
{
    if (m_reconnection.waiting())
        return m_reconnection.lastFailure().isEmpty() ? m_lostDevice + tr("; waiting for it to come back")
                                                      : tr("Waiting: ") + m_reconnection.lastFailure();
    if (!isOpen())
        return QStringLiteral("Settings: ");
    if (m_comm.connecting())
        return tr("Connecting to %1...").arg(m_comm.deviceDescription());
    return QStringLiteral("Settings: ") + settingsText() + (m_reconnected ? tr(" (reconnected)") : QString());
}

void PortControl::onLost(const QString &description)
{
    m_reconnected = false;
    if (m_reconnectAutomatically)
        beginWaiting(description);
    emit stateChanged();
    emit lost(description);
}

void PortControl::onConnectFailed(const QString &why)
{
    // A reconnection's try is its own to say in the status bar; the user's open fails as a local
    // device's does.
    if (!m_reconnection.waiting())
        m_messages.warn(why);
    emit stateChanged();
}

void PortControl::beginWaiting(const QString &why)
{
    m_lostDevice = why;
    m_reconnection.begin();
}

void PortControl::lend()
{
    m_comm.close();
    m_lent = true;
}

Failure PortControl::takeBack()
{
    if (!std::exchange(m_lent, false))
        return std::nullopt;
    // The serial driver takes the device back a moment after it is let go; until then the
    // device is not there to be opened.
    const QDeadlineTimer deadline(kDeviceReturnMs);
    while (!m_comm.devicePresent() && !deadline.hasExpired())
        EventWait::next(Reconnection::kLookEveryMs / 4);
    Failure failure = m_comm.open();
    if (failure && m_reconnectAutomatically) {
        beginWaiting(*failure);
        failure.reset();
    }
    emit stateChanged();
    return failure;
}
