// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Whether a path names an existing ordinary file; folders and devices count as missing.
struct FileLookup
{
    enum class Result { Exists, Missing, Failed };
    Result result = Result::Missing;
    QString error; // the reason, when the look-up itself failed (e.g. a folder without access)

    static FileLookup of(const QString &path);
};
