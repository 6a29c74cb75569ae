#pragma once

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
    void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value);
    using Entries = QList<std::pair<QString, QString>>; // key and value
    // Several keys of one section at once: a file-backed store opens its file once.
    void WriteSettings(const QString &application, const QString &section, const Entries &entries);
    // Keys with their defaults in, values out, in the same order.
    QStringList ReadSettings(const QString &application, const QString &section, const Entries &keysAndDefaults) const;

protected:
    // Storage keeps one entry per lower-cased path; nothing for a path that holds no entry.
    virtual QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const = 0;
    virtual void store(const QString &application, const Entries &pathsAndValues) = 0;
};

// Backed by an INI file per user (QSettings' native store on Linux is case-sensitive,
// so every path is folded to lower case before it reaches the file).
class QSettingsStore : public SettingsStore
{
public:
    // Empty folder: the platform's per-user configuration folder.
    explicit QSettingsStore(QString folder = {});

protected:
    QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const override;
    void store(const QString &application, const Entries &pathsAndValues) override;

private:
    std::unique_ptr<QSettings> open(const QString &application) const;
    QString m_folder;
};

// In-memory store for tests.
class MemorySettingsStore : public SettingsStore
{
public:
    std::map<QString, QString> entries; // "application/path" -> value

protected:
    QList<std::optional<QString>> load(const QString &application, const QStringList &paths) const override;
    void store(const QString &application, const Entries &pathsAndValues) override;
};
