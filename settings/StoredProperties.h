// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <QString>
#include <optional>

// The settings as stored under the program's title, section "Properties": one reading of them
// for the terminal, its Properties dialog and tavro-prog, so they agree.
namespace StoredProperties {
inline const QString kSection = QStringLiteral("Properties");

QString read(const SettingsStore &store, const QString &key, const QString &defaultValue);
// Several keys in one reading of the store.
QStringList read(const SettingsStore &store, const SettingsStore::Entries &keysAndDefaults);
Failure write(SettingsStore &store, const SettingsStore::Entries &keysAndValues);
// A stored entry as messages name it: "FILE: [Properties] Key=value".
QString entryName(const SettingsStore &store, const QString &key, const QString &value);
// A stored whole number from lowest to highest. Text that is no number gives nothing; so does a
// number out of range, which the store also notes among its warnings with what is used instead.
std::optional<int> number(const SettingsStore &store, const QString &key, const QString &text, int lowest, int highest,
                          const QString &usedInstead);
// A stored yes or no: "True" or "False" as written; read in any case, or as a number (0 is no).
QString flag(bool on);
std::optional<bool> flag(const QString &text);
// A stored check box: 0 or 1; anything else (5, -1, "abc") leaves the box as it was.
std::optional<int> checkState(const SettingsStore &store, const QString &key, const QString &text, int box);
} // namespace StoredProperties
