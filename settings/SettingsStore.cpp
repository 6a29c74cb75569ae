#include "settings/SettingsStore.h"

#include <QStandardPaths>

namespace {
QString foldedPath(const QString &section, const QString &key)
{
    return (section + QLatin1Char('/') + key).toLower();
}
} // namespace

QString SettingsStore::ReadSetting(const QString &application, const QString &section,
                                   const QString &key, const QString &defaultValue) const
{
    return load(application, foldedPath(section, key)).value_or(defaultValue);
}

void SettingsStore::WriteSetting(const QString &application, const QString &section,
                                 const QString &key, const QString &value)
{
    store(application, {{foldedPath(section, key), value}});
}

void SettingsStore::WriteSettings(const QString &application, const QString &section, const Entries &entries)
{
    Entries folded;
    for (const auto &[key, value] : entries)
        folded.append({foldedPath(section, key), value});
    store(application, folded);
}

QSettingsStore::QSettingsStore(QString folder) : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

std::unique_ptr<QSettings> QSettingsStore::open(const QString &application) const
{
    return std::make_unique<QSettings>(m_folder + QLatin1Char('/') + application + QStringLiteral(".ini"),
                                       QSettings::IniFormat);
}

std::optional<QString> QSettingsStore::load(const QString &application, const QString &path) const
{
    const QVariant value = open(application)->value(path);
    // Anything that is not plain text (a list, a hand-edited oddity) reads as its text form.
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void QSettingsStore::store(const QString &application, const Entries &pathsAndValues)
{
    const std::unique_ptr<QSettings> settings = open(application);
    for (const auto &[path, value] : pathsAndValues)
        settings->setValue(path, value);
}

std::optional<QString> MemorySettingsStore::load(const QString &application, const QString &path) const
{
    const auto it = entries.find(application + QLatin1Char('/') + path);
    if (it == entries.end())
        return std::nullopt;
    return it->second;
}

void MemorySettingsStore::store(const QString &application, const Entries &pathsAndValues)
{
    for (const auto &[path, value] : pathsAndValues)
        entries[application + QLatin1Char('/') + path] = value;
}
