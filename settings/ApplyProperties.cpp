// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ApplyProperties.h"

#include "common/AppState.h"
#include "serial/MSComm.h"
#include "settings/PropertiesModel.h"
#include "settings/StoredProperties.h"

namespace {

Failure applyPortNumber(MSComm &comm, int newPort)
{
    const int oldPort = comm.CommPort();
    if (newPort == oldPort)
        return std::nullopt;
    const bool reopen = comm.PortOpen();
    Failure failure = reopen ? comm.setPortOpen(false) : std::nullopt;
    if (!failure)
        failure = comm.setCommPort(newPort);
    if (!failure && reopen)
        failure = comm.setPortOpen(true);
    if (failure)
        (void)comm.setCommPort(oldPort); // a closed port always takes its old number back
    return failure;
}

Failure store(SettingsStore &store, const MSComm &comm, const AppState &app, const PropertyValues &v)
{
    return StoredProperties::write(store,
                                   {
                                       {QStringLiteral("Settings"), comm.format().settingsText()},
                                       {QStringLiteral("CommPort"), QString::number(comm.CommPort())},
                                       {QStringLiteral("Handshaking"), QString::number(comm.format().handshaking)},
                                       {QStringLiteral("Echo"), StoredProperties::flag(app.LocalEcho)},
                                       {QStringLiteral("TextEOLcheck"), QString::number(v.chkWaitFor)},
                                       {QStringLiteral("TextEOLValue"), v.txtEOLChar},
                                       {QStringLiteral("LineDelayCheck"), QString::number(v.chkLineDelay)},
                                       {QStringLiteral("LineDelayValue"), v.txtLineDelay},
                                       {QStringLiteral("StartTransferCheck"), QString::number(v.chkStart)},
                                       {QStringLiteral("StartTransferWord"), v.txtStartWord},
                                       {QStringLiteral("StartFileType"), v.txtStartFileType},
                                       {QStringLiteral("StartTransferDelay"), v.txtStartDelay},
                                       {QStringLiteral("TextRTScheck"), QString::number(v.chkRTS)},
                                   });
}

} // namespace

Failure applyProperties(const PortChoices &choices, MSComm &comm, AppState &app, SettingsStore &settings,
                        PropertiesModel &model)
{
    app.LocalEcho = choices.echo;
    const int oldPort = comm.CommPort();
    if (Failure failure = applyPortNumber(comm, choices.port))
        return failure;
    // A closed port's device says now what it could not do, rather than at every open.
    if (Failure failure = choices.refused ? std::nullopt : comm.checkFormat(choices.format)) {
        (void)comm.setCommPort(oldPort);
        return failure;
    }
    if (choices.refused)
        return choices.refused;
    if (Failure failure = comm.setFormat(choices.format))
        return failure;
    return store(settings, comm, app, model.values());
}

PortChoices currentChoices(const MSComm &comm, const AppState &app, int port)
{
    return {port, comm.format(), std::nullopt, app.LocalEcho};
}
