#pragma once

#include "about/KeySource.h"
#include "about/SysInfo.h"

#include <QStringList>

// Stand-in for the registry where there is none. The first location (the tool's full path)
// is the first system-information program found on the search path; the second (a folder
// to hold MSINFO32.EXE) is the program's own folder, so a packager may install a tool under
// that name beside it. Windows-style separators in the joined path are understood by
// NativeFileProbe and NativeLauncher.
class SystemKeySource : public KeySource
{
public:
    static inline const QStringList kTools = {
        QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo"),
        QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
        QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager"),
    };

    // Empty searchPath: the system's search path.
    SystemKeySource(QStringList searchPath, QString ownFolder)
        : m_searchPath(std::move(searchPath))
        , m_ownFolder(std::move(ownFolder))
    {}

    std::optional<Value> query(quint32 root, const QString &key, const QString &name) const override;

private:
    QString findTool() const;

    QStringList m_searchPath;
    QString m_ownFolder;
};

// Turns a registry-style path into one for this system ('\' becomes '/' outside Windows).
QString nativeToolPath(const QString &path);

class NativeFileProbe : public FileProbe
{
public:
    bool exists(const QString &path) const override;
};

class NativeLauncher : public ProgramLauncher
{
public:
    Failure start(const QString &path) override;
};
