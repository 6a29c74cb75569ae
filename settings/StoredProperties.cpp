#include "settings/StoredProperties.h"

#include "settings/SettingsStore.h"
#include "terminal/AppTitle.h"

namespace StoredProperties {

QString read(const SettingsStore &store, const QString &key, const QString &defaultValue)
{
    return store.ReadSetting(kAppTitle, kSection, key, defaultValue);
}

void write(SettingsStore &store, const QString &key, const QString &value)
{
    store.WriteSetting(kAppTitle, kSection, key, value);
}

void write(SettingsStore &store, const QList<std::pair<QString, QString>> &keysAndValues)
{
    store.WriteSettings(kAppTitle, kSection, keysAndValues);
}

std::optional<bool> check(const SettingsStore &store, const QString &key, const QString &defaultValue)
{
    bool ok = false;
    const int value = read(store, key, defaultValue).trimmed().toInt(&ok);
    return ok ? std::optional<bool>(value != 0) : std::nullopt;
}

} // namespace StoredProperties
