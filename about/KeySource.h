#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Read-only key/value store in the registry's shape: values under a root, a key path and a
// value name, each with a type and the bytes as stored.
class KeySource
{
public:
    static constexpr quint32 kLocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr quint32 kString = 1;                // REG_SZ
    static constexpr quint32 kNumber = 4;                // REG_DWORD, little-endian

    struct Value
    {
        quint32 type = kString;
        QByteArray data; // a string's data usually ends with its terminating 0
    };

    virtual ~KeySource() = default;
    // Nothing when the key cannot be opened or holds no such value.
    virtual std::optional<Value> query(quint32 root, const QString &key, const QString &name) const = 0;

    static Value string(const QByteArray &text) { return {kString, text + '\0'}; }
};

// A fixed set of values; key paths and names match without regard to case, as in the registry.
class FixedKeySource : public KeySource
{
public:
    void set(quint32 root, const QString &key, const QString &name, Value value)
    {
        m_entries.append({root, key, name, std::move(value)});
    }

    std::optional<Value> query(quint32 root, const QString &key, const QString &name) const override
    {
        for (const Entry &e : m_entries)
            if (e.root == root && e.key.compare(key, Qt::CaseInsensitive) == 0
                && e.name.compare(name, Qt::CaseInsensitive) == 0)
                return e.value;
        return std::nullopt;
    }

private:
    struct Entry
    {
        quint32 root;
        QString key;
        QString name;
        Value value;
    };
    QList<Entry> m_entries;
};
