// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TransferHost.h"

#include "session/PortControl.h"
#include "session/ReceivePipeline.h"
#include "settings/PropertiesModel.h"

TransferHost::TransferHost(Services services, PortControl &port, ReceivePipeline &received, PropertiesModel &properties,
                           AppState &app, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_port(port)
    , m_received(received)
    , m_properties(properties)
    , m_sender(*this, app, m_services.eolTimeoutMs)
{}

void TransferHost::load(const QString &path)
{
    m_lastTextFile = path;
    m_lastTextFileKnown = true;
    if (!path.isEmpty())
        setCaption(QStringLiteral("Send Text > ") + path);
}

Failure TransferHost::output(const QByteArray &bytes)
{
    return m_port.comm().Output(bytes);
}

int TransferHost::pendingOutput() const
{
    return m_port.comm().OutBufferCount();
}

QString TransferHost::portSettings() const
{
    return m_port.settingsText();
}

void TransferHost::transferChanged(bool running)
{
    m_running = running;
    emit stateChanged();
}

const PropertyValues &TransferHost::properties()
{
    return m_properties.values();
}

bool TransferHost::eolReceived() const
{
    return m_received.eolReceived();
}

void TransferHost::clearEolReceived()
{
    m_received.clearEolReceived();
}

void TransferHost::setLastTextFile(const QString &path)
{
    m_lastTextFile = path;
    m_lastTextFileKnown = true;
    emit stateChanged();
}
