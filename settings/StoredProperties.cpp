// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/StoredProperties.h"

#include "common/AppTitle.h"

#include <QRegularExpression>

namespace StoredProperties {

QString read(const SettingsStore &store, const QString &key, const QString &defaultValue)
{
    return store.ReadSetting(kAppTitle, kSection, key, defaultValue);
}

QStringList read(const SettingsStore &store, const SettingsStore::Entries &keysAndDefaults)
{
    return store.ReadSettings(kAppTitle, kSection, keysAndDefaults);
}

Failure write(SettingsStore &store, const SettingsStore::Entries &keysAndValues)
{
    return store.WriteSettings(kAppTitle, kSection, keysAndValues);
}

QString entryName(const SettingsStore &store, const QString &key, const QString &value)
{
    return store.entryName(kAppTitle, kSection, key, value);
}

std::optional<int> number(const SettingsStore &store, const QString &key, const QString &text, int lowest, int highest,
                          const QString &usedInstead)
{
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok || value < lowest || value > highest) {
        store.warnOutOfRange(kAppTitle, kSection, key, trimmed, usedInstead);
        return std::nullopt;
    }
    return int(value);
}

std::optional<int> checkState(const SettingsStore &store, const QString &key, const QString &text, int box)
{
    return number(store, key, text, 0, 1, QString::number(box));
}

QString flag(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> flag(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true"))
        return true;
    if (t == QLatin1String("false"))
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    return ok ? std::optional<bool>(number != 0) : std::nullopt;
}
} // namespace StoredProperties
