// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QList>
#include <QString>
#include <QStringList>

// The port map's file as it stands, read by hand: QSettings passes over binary junk and settles a
// key or a section given twice without a word. A file that is not there is an empty map; one that
// cannot be read, is no text or is far too large for a port map is one failure. A key given more
// than once in [Ports] is one warning naming the entry used, the last; a second [Ports] header (in
// any letter case) is one warning, and its entries count with the first's.
//
// The form is INI's: "[Section]" headers, "Key=value" lines, ";" or "#" comment lines; a value may
// be quoted ("...") and is otherwise cut at a ";" comment, as QSettings reads it.
class PortMapFile
{
public:
    static constexpr qint64 kMaxSize = 64 * 1024;

    struct Entry
    {
        QString key; // as written
        QString value;
        int line = 0;
    };

    explicit PortMapFile(const QString &path);

    // Why nothing of the file can be used, naming it; nothing when it was read or is not there.
    const Failure &failure() const { return m_failure; }
    // The [Ports] entries, each key once, in the order of the file.
    const QList<Entry> &entries() const { return m_entries; }
    // Each naming the file.
    const QStringList &warnings() const { return m_warnings; }

private:
    Failure load(QByteArray &bytes) const;
    void parse(const QByteArray &bytes);

    QString m_path;
    Failure m_failure;
    QList<Entry> m_entries;
    QStringList m_warnings;
};
