// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include "common/ShownPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString foldedPath(const QString &section, const QString &key)
{
    return (section + QLatin1Char('/') + key).toLower();
}

// QSettings only says that it could not write; the system says why, asked the same two ways
// QSettings writes: a new file in the folder, then the file itself.
QString whyNotWritable(const QString &filePath)
{
    const QFileInfo file(filePath);
    if (!QDir().mkpath(file.absolutePath()))
        return QObject::tr("its folder cannot be made");
    QTemporaryFile probe(file.absolutePath() + QStringLiteral("/.write-check-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    QFile existing(filePath);
    if (file.exists() && !existing.open(QIODevice::ReadWrite))
        return existing.errorString();
    return QObject::tr("the file could not be written (is the disk full?)");
}
} // namespace

QString SettingsStore::ReadSetting(const QString &application, const QString &section, const QString &key,
                                   const QString &defaultValue) const
{
    return ReadSettings(application, section, {{key, defaultValue}}).constFirst();
}

QStringList SettingsStore::ReadSettings(const QString &application, const QString &section,
                                        const Entries &keysAndDefaults) const
{
    QStringList paths;
    for (const auto &entry : keysAndDefaults)
        paths << foldedPath(section, entry.first);
    const QList<std::optional<QString>> stored = load(application, paths);
    QStringList values;
    for (qsizetype i = 0; i < keysAndDefaults.size(); ++i)
        values << stored.at(i).value_or(keysAndDefaults.at(i).second);
    return values;
}

Failure SettingsStore::WriteSetting(const QString &application, const QString &section, const QString &key,
                                    const QString &value)
{
    return WriteSettings(application, section, {{key, value}});
}

Failure SettingsStore::WriteSettings(const QString &application, const QString &section, const Entries &entries)
{
    Entries folded;
    for (const auto &[key, value] : entries)
        folded.append({foldedPath(section, key), value});
    if (const std::optional<QString> reason = store(application, folded))
        return QObject::tr("The settings could not be saved to %1: %2").arg(shownPath(location(application)), *reason);
    return std::nullopt;
}

void SettingsStore::warn(const QString &warning) const
{
    if (!m_warnings.contains(warning))
        m_warnings << warning;
}

void SettingsStore::warnOutOfRange(const QString &application, const QString &section, const QString &key,
                                   const QString &value, const QString &usedInstead) const
{
    warn(QObject::tr("%1 is out of range; %2 is used instead")
             .arg(entryName(application, section, key, value), usedInstead));
}

QString SettingsStore::entryName(const QString &application, const QString &section, const QString &key,
                                 const QString &value) const
{
    return QStringLiteral("%1: [%2] %3=%4").arg(shownPath(location(application)), section, key, value);
}

QSettingsStore::QSettingsStore(QString folder)
    : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QSettingsStore::location(const QString &application) const
{
    return m_folder + QLatin1Char('/') + application + QStringLiteral(".ini");
}

std::unique_ptr<QSettings> QSettingsStore::open(const QString &application) const
{
    return std::make_unique<QSettings>(location(application), QSettings::IniFormat);
}

QList<std::optional<QString>> QSettingsStore::load(const QString &application, const QStringList &paths) const
{
    const std::unique_ptr<QSettings> settings = open(application);
    // The key as written by the program if it is there, else the first spelling found by hand.
    std::map<QString, QString> spelled;
    for (const QString &key : settings->allKeys())
        spelled.try_emplace(key.toLower(), key);
    QList<std::optional<QString>> values;
    for (const QString &path : paths) {
        const auto found = spelled.find(path);
        const QVariant value =
            settings->value(settings->contains(path) || found == spelled.end() ? path : found->second);
        // Anything that is not plain text (a list, a hand-edited oddity) reads as its text form.
        if (!value.isValid())
            values << std::nullopt;
        else if (value.typeId() == QMetaType::QStringList)
            values << value.toStringList().join(QLatin1Char(','));
        else
            values << value.toString();
    }
    return values;
}

std::optional<QString> QSettingsStore::store(const QString &application, const Entries &pathsAndValues)
{
    const std::unique_ptr<QSettings> settings = open(application);
    const QStringList keys = settings->allKeys();
    for (const auto &[path, value] : pathsAndValues) {
        for (const QString &key : keys)
            if (key != path && key.compare(path, Qt::CaseInsensitive) == 0)
                settings->remove(key);
        settings->setValue(path, value);
    }
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return std::nullopt;
    return whyNotWritable(location(application));
}

QList<std::optional<QString>> MemorySettingsStore::load(const QString &application, const QStringList &paths) const
{
    QList<std::optional<QString>> values;
    for (const QString &path : paths) {
        const auto it = entries.find(application + QLatin1Char('/') + path);
        values << (it == entries.end() ? std::nullopt : std::optional<QString>(it->second));
    }
    return values;
}

std::optional<QString> MemorySettingsStore::store(const QString &application, const Entries &pathsAndValues)
{
    if (refusal)
        return refusal;
    for (const auto &[path, value] : pathsAndValues)
        entries[application + QLatin1Char('/') + path] = value;
    return std::nullopt;
}
