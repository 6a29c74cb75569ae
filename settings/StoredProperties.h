#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

class SettingsStore;

// The port and transfer settings as stored under the program's title, section "Properties":
// one reading of them for the terminal, its Properties dialog and tavro-prog, so they agree.
namespace StoredProperties {
inline const QString kSection = QStringLiteral("Properties");

QString read(const SettingsStore &store, const QString &key, const QString &defaultValue);
void write(SettingsStore &store, const QString &key, const QString &value);
void write(SettingsStore &store, const QList<std::pair<QString, QString>> &keysAndValues);
// A check box stored as an integer: non-zero is checked; anything else is no answer.
std::optional<bool> check(const SettingsStore &store, const QString &key, const QString &defaultValue);
} // namespace StoredProperties
