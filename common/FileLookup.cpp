// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileLookup.h"

#include "common/ShownPath.h"

#include <QFile>
#include <filesystem>
#include <system_error>

FileLookup FileLookup::of(const QString &path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec) {
        if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
            return {Result::Missing, {}};
        return {Result::Failed,
                QStringLiteral("Cannot look up %1: %2").arg(shownPath(path), QString::fromStdString(ec.message()))};
    }
    return {std::filesystem::is_regular_file(status) ? Result::Exists : Result::Missing, {}};
}
