// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>

// The per-user store: text values under application, section and key.
// Keys are matched without regard to letter case; each caller keeps its own spelling.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    QString ReadSetting(const QString &application, const QString &section, const QString &key,
                        const QString &defaultValue) const;
    // A write that did not reach the store says so: the file and the reason.
    Failure WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value);
    using Entries = QList<std::pair<QString, QString>>; // key and value
    // Several keys of one section at once: a file-backed store opens its file once.
    Failure WriteSettings(const QString &application, const QString &section, const Entries &entries);
    // Keys with their defaults in, values out, in the same order.
    QStringList ReadSettings(const QString &application, const QString &section, const Entries &keysAndDefaults) const;

    // What readers found stored out of range, each said once: the file, the key, the value and
    // what is used instead. Hand-edited files of the same user (the port map) add theirs.
    void warn(const QString &warning) const;
    void warnOutOfRange(const QString &application, const QString &section, const QString &key, const QString &value,
                        const QString &usedInstead) const;
    // A stored entry as messages name it: "FILE: [Section] Key=value".
    QString entryName(const QString &application, const QString &section, const QString &key,
                      const QString &value) const;
    const QStringList &warnings() const { return m_warnings; }

protected:
    // Storage keeps one entry per lower-cased path; nothing for a path that holds no entry.
    virtual QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const = 0;
    // Why the values could not be kept; nothing when they were.
    virtual std::optional<QString> store(const QString &application, const Entries &pathsAndValues) = 0;
    // Where the application's values are kept, for messages.
    virtual QString location(const QString &application) const = 0;

private:
    mutable QStringList m_warnings;
};

// Backed by an INI file per user. QSettings matches its keys with regard to case, so every path
// is written folded to lower case, replacing the same key in any other case, and a hand-edited
// "[Properties] CommPort" is found by comparing without regard to case.
class QSettingsStore : public SettingsStore
{
public:
    // Empty folder: the platform's per-user configuration folder.
    explicit QSettingsStore(QString folder = {});

protected:
    QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const override;
    std::optional<QString> store(const QString &application, const Entries &pathsAndValues) override;
    QString location(const QString &application) const override;

private:
    std::unique_ptr<QSettings> open(const QString &application) const;
    QString m_folder;
};

// In-memory store for tests.
class MemorySettingsStore : public SettingsStore
{
public:
    std::map<QString, QString> entries; // "application/path" -> value
    std::optional<QString> refusal;     // set: every write fails with this reason

protected:
    QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const override;
    std::optional<QString> store(const QString &application, const Entries &pathsAndValues) override;
    QString location(const QString &) const override { return QStringLiteral("memory"); }
};
