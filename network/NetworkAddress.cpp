// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/NetworkAddress.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("NetworkAddress", text);
}

const QString kSeparator = QStringLiteral("://");

// A host name as resolvers take it: labels of letters, digits, hyphens and underscores.
bool isHostName(const QString &host)
{
    static const QRegularExpression name(QStringLiteral("^(?=.{1,253}$)[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?"
                                                        "(\\.[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?)*\\.?$"));
    static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]+$"));
    static const QRegularExpression dottedQuad(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}$"));
    if (digitsAndDots.match(host).hasMatch()) // no name: an IPv4 address in full
        return dottedQuad.match(host).hasMatch() && QHostAddress(host).protocol() == QAbstractSocket::IPv4Protocol;
    return name.match(host).hasMatch();
}

} // namespace

QString NetworkAddress::url() const
{
    return (protocol == Protocol::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("socket")) + kSeparator
           + hostAndPort();
}

QString NetworkAddress::hostAndPort() const
{
    const QString shownHost = host.contains(u':') ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shownHost).arg(port);
}

bool NetworkAddress::isUrl(const QString &text)
{
    return text.contains(kSeparator);
}

std::optional<NetworkAddress> NetworkAddress::parse(const QString &given, QString *error)
{
    const QString text = given.trimmed();
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("%1: %2").arg(text, why);
        return std::nullopt;
    };
    const QString form = tr("write rfc2217://HOST:PORT or socket://HOST:PORT");
    const qsizetype separator = text.indexOf(kSeparator);
    if (separator < 0)
        return refuse(form);
    const QString scheme = text.left(separator).toLower();
    NetworkAddress address;
    if (scheme == QLatin1String("socket"))
        address.protocol = Protocol::RawTcp;
    else if (scheme != QLatin1String("rfc2217"))
        return refuse(tr("not a kind of network port (%1)").arg(form));
    const QString rest = text.mid(separator + kSeparator.size());
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon < 0)
        return refuse(tr("no port number (%1)").arg(form));
    address.host = rest.left(colon);
    const QString port = rest.mid(colon + 1);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(port).hasMatch() || port.toInt() < 1 || port.toInt() > 65535)
        return refuse(tr("the port \"%1\" is not a number from 1 to 65535").arg(port));
    address.port = quint16(port.toInt());
    if (address.host.startsWith(u'[') && address.host.endsWith(u']')) {
        address.host = address.host.mid(1, address.host.size() - 2);
        if (QHostAddress(address.host).protocol() != QAbstractSocket::IPv6Protocol)
            return refuse(tr("[%1] is not an IPv6 address").arg(address.host));
    } else if (address.host.isEmpty()) {
        return refuse(tr("no host (%1)").arg(form));
    } else if (!isHostName(address.host)) {
        return refuse(tr("\"%1\" is not a host name or address (an IPv6 address goes in brackets)").arg(address.host));
    }
    return address;
}
