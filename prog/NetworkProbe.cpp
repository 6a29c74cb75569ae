// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/NetworkProbe.h"

#include "common/EventWait.h"
#include "network/NetworkDevice.h"
#include "prog/ProgRun.h"

#include <QDeadlineTimer>

namespace {

template <typename T, typename Shown>
QString answer(const std::optional<T> &value, Shown shown)
{
    return value ? shown(*value) : QStringLiteral("not answered");
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

bool answeredAll(const RemotePort &remote)
{
    return !remote.signature.isEmpty() && remote.baudRate && remote.dataBits && remote.parity && remote.stopBits
           && remote.handshaking && remote.modemState;
}

} // namespace

int NetworkProbe::run(const PortChoice &port, const MSComm::DeviceFactory &factory, QString &failure)
{
    m_out << "Device: " << port.device << '\n' << Qt::flush;
    const std::unique_ptr<SerialDevice> made = factory(port.number, &failure);
    auto *device = qobject_cast<NetworkDevice *>(made.get());
    if (!device)
        return kPortFailure;
    std::optional<QString> gone;
    QObject::connect(device, &SerialDevice::connectFailed, [&gone](const QString &why) { gone = why; });
    QObject::connect(device, &SerialDevice::lost, [&gone](const QString &why) { gone = why; });
    if (Failure refused = device->openToAsk()) {
        failure = *refused;
        return kPortFailure;
    }
    const QDeadlineTimer deadline(NetworkDevice::kConnectTimeoutMs + kAnswerMs);
    const RemotePort *remote = device->remote();
    while (!gone && !deadline.hasExpired() && (device->connecting() || (remote && !answeredAll(*remote))))
        EventWait::next(int(deadline.remainingTime()));
    if (gone || device->connecting()) {
        failure = gone.value_or(device->description() + QStringLiteral(": no connection"));
        return kPortFailure;
    }
    if (remote)
        report(*remote);
    else
        m_out << "Raw TCP: the server accepts; its port's speed, format and lines are set there, not from here\n";
    m_out << "Programming is not offered: " << device->refusesProgramming().value_or(QString()) << '\n';
    return kDone;
}

void NetworkProbe::report(const RemotePort &remote)
{
    m_out << "Server: " << (remote.signature.isEmpty() ? QStringLiteral("no signature") : remote.signature)
          << ", Telnet with the COM-PORT option (RFC 2217)\n";
    // Speed, parity, data bits and stop bits as the settings text has them; ? where not answered.
    QStringList fields = remote.answered({}).fields();
    const bool answered[] = {bool(remote.baudRate), bool(remote.parity), bool(remote.dataBits), bool(remote.stopBits)};
    for (qsizetype i = 0; i < fields.size(); ++i)
        fields[i] = answered[i] ? fields[i] : QStringLiteral("?");
    static const char *const flows[] = {"none", "XON/XOFF", "RTS/CTS"};
    m_out << "Settings in force, as the server answered: " << fields.join(u',') << ", flow control "
          << answer(remote.handshaking, [](int mode) { return QString::fromLatin1(flows[mode]); }) << '\n';
    m_out << "Lines, as the server answered: DTR " << answer(remote.dtr, onOff) << ", RTS " << answer(remote.rts, onOff)
          << ", break " << answer(remote.breakOn, onOff) << '\n';
    m_out << "Modem state: " << answer(remote.modemState, [](quint8 state) {
        return QStringLiteral("CTS %1, DSR %2, RI %3, CD %4")
            .arg(onOff(state & ComPortOption::kCts), onOff(state & ComPortOption::kDsr),
                 onOff(state & ComPortOption::kRi), onOff(state & ComPortOption::kCd));
    }) << '\n';
}
