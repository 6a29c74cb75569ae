// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ShownPath.h"

QString shownPath(const QString &path)
{
    if (path.size() <= kShownPathLength)
        return path;
    const qsizetype half = (kShownPathLength - 3) / 2;
    return path.left(half) + QStringLiteral("...") + path.right(half);
}
