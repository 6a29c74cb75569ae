// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QFile>

// A file written anew, in pieces, each write checked: the first failure, naming the file and
// the reason, is what finish() reports, so a full disk never passes for a saved file.
class CheckedFile
{
public:
    static constexpr qsizetype kPiece = 64 * 1024;

    explicit CheckedFile(const QString &path);

    // Held until a piece is full; after a failure nothing more is written.
    void write(QByteArrayView bytes);
    // Writes what is held and closes the file.
    Failure finish();

private:
    void flush();

    QFile m_file;
    QByteArray m_pending;
    Failure m_failure;
};
