#include "settings/StoredProperties.h"

#include "common/AppTitle.h"

namespace StoredProperties {

QString read(const SettingsStore &store, const QString &key, const QString &defaultValue)
{
    return store.ReadSetting(kAppTitle, kSection, key, defaultValue);
}

QStringList read(const SettingsStore &store, const SettingsStore::Entries &keysAndDefaults)
{
    return store.ReadSettings(kAppTitle, kSection, keysAndDefaults);
}

void write(SettingsStore &store, const SettingsStore::Entries &keysAndValues)
{
    store.WriteSettings(kAppTitle, kSection, keysAndValues);
}

std::optional<int> checkState(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || (value != 0 && value != 1))
        return std::nullopt;
    return value;
}

} // namespace StoredProperties
