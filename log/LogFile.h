// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QFile>
#include <QString>
#include <memory>

// One open log file: binary, appending after its last byte, closed when destroyed.
class LogFile
{
public:
    // The open log, or nothing with the reason in *error.
    static std::unique_ptr<LogFile> open(const QString &path, QString *error);

    // Text as 8-bit bytes (Latin-1, so characters 0 to 255 come back as the bytes received).
    Failure write(const QString &text);

    QString path() const { return m_file.fileName(); }

private:
    explicit LogFile(const QString &path)
        : m_file(path)
    {}
    bool removed() const; // no name left in the file system

    QFile m_file;
};
