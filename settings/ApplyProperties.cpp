// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ApplyProperties.h"

#include "common/AppState.h"
#include "serial/MSComm.h"
#include "settings/PropertiesModel.h"
#include "settings/PropertyRanges.h"
#include "settings/StoredProperties.h"

namespace {

Failure applyPortNumber(MSComm &comm, int newPort)
{
    const int oldPort = comm.CommPort();
    if (newPort == oldPort)
        return std::nullopt;
    const bool reopen = comm.PortOpen();
    if (reopen)
        comm.close();
    Failure failure = comm.setCommPort(newPort);
    if (!failure && reopen)
        failure = comm.open();
    if (failure)
        comm.restoreCommPort(oldPort);
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

Failure applyProperties(const Properties &chosen, MSComm &comm, AppState &app, SettingsStore &settings)
{
    app.LocalEcho = chosen.echo;
    if (Failure failure = PropertyRanges::check(chosen.text))
        return failure;
    LineFormat format = comm.format();
    const Failure refused = format.setFields(chosen.speed.trimmed(), chosen.parity.left(1), chosen.dataBits.trimmed(),
                                             chosen.stopBits.trimmed());
    format.handshaking = chosen.flow;
    const int oldPort = comm.CommPort();
    if (Failure failure = applyPortNumber(comm, chosen.port))
        return failure;
    // A closed port's device says now what it could not do, rather than at every open.
    if (Failure failure = refused ? std::nullopt : comm.checkFormat(format)) {
        comm.restoreCommPort(oldPort);
        return failure;
    }
    if (refused)
        return refused;
    if (Failure failure = comm.setFormat(format))
        return failure;
    return store(settings, comm, app, chosen.text);
}

Properties currentProperties(const MSComm &comm, const AppState &app, PropertiesModel &model)
{
    // Shown as the far end has it in force, where it says (a network port's server may answer
    // another value than asked).
    const LineFormat format = comm.reportedFormat().value_or(comm.format());
    const QStringList fields = format.fields();
    return {comm.CommPort(), fields[0],          fields[1],     fields[2],
            fields[3],       format.handshaking, app.LocalEcho, model.values()};
}
