// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

// Where read puts its HEX, so that nothing is reported as saved that was not. A regular file
// or a new path is replaced at once or not at all: the bytes go to a temporary file beside it,
// which is synced and then renamed over it. Anything else that exists (a device, a FIFO, a
// path in /dev, "-" for standard output) is opened and written directly, never replaced. A
// symbolic link is followed and stays a link.
class OutputFile
{
public:
    explicit OutputFile(QString target);
    ~OutputFile(); // closes, and removes a temporary file that was not put in place
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Before the chip is touched: a target that cannot be written (a folder that refuses a new file,
    // standard output closed) is known at once.
    Failure open();
    bool isStandardOutput() const { return m_standardOutput; } // known once open

    // All of it, then on disk and in place.
    Failure commit(const QByteArray &bytes);

private:
    Failure openReplacement(const QString &path);
    Failure systemFailure(const QString &path) const;

    QString m_target;
    QString m_final;     // the file the temporary one replaces; empty when written directly
    QString m_temporary; // removed unless renamed
    int m_fd = -1;
    bool m_ownsFd = true;
    bool m_standardOutput = false;
};
