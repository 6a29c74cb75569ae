// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ReceivePipeline.h"

#include "common/AppState.h"
#include "common/UserDialogs.h"
#include "settings/PropertiesModel.h"

ReceivePipeline::ReceivePipeline(Services services, const AppState &app, PropertiesModel &properties, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_app(app)
    , m_properties(properties)
{}

void ReceivePipeline::MSComm1_OnComm(const QByteArray &bytes)
{
    m_views.received(bytes);
    if (m_app.ProgMode) {
        m_held += bytes;
        return;
    }
    // Latin-1 maps every byte to the character of the same code and back.
    QString text = QString::fromLatin1(m_held.isEmpty() ? bytes : std::exchange(m_held, {}) + bytes);
    if (const std::optional<char16_t> eol = m_properties.eolCharacter(); eol && text.contains(QChar(*eol)))
        m_eolReceived = true;
    ShowData(text);
}

void ReceivePipeline::ShowData(QString &Data)
{
    const TerminalText::Cut cut = m_text.showData(Data);
    m_views.shown(cut.dropped, cut.erased, Data);
    if (Failure failure = m_log.write(Data))
        m_services.messages.warn(*failure);
    emit textChanged();
}

void ReceivePipeline::viewEdited(qsizetype position, qsizetype length, const QString &with)
{
    m_views.edited(position, length, with);
    m_text.replace(position, length, with);
}

std::optional<QString> ReceivePipeline::openLog()
{
    return m_log.mnuOpenLog_Click();
}

QString ReceivePipeline::closeLog()
{
    return m_log.mnuCloseLog_Click();
}
