#include "about/SystemKeySource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

#ifdef Q_OS_WIN
// The real registry, read as the About box reads it.
class RegistryKeySource : public KeySource
{
public:
    std::optional<Value> query(quint32 root, const QString &key, const QString &name) const override
    {
        HKEY handle = nullptr;
        // Read access only: asking for write access under this root fails without admin rights.
        if (RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), key.toLocal8Bit().constData(), 0,
                          KEY_QUERY_VALUE, &handle)
            != ERROR_SUCCESS)
            return std::nullopt;
        QByteArray buffer(SysInfo::kBufferSize, '\0');
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG rc = RegQueryValueExA(handle, name.toLocal8Bit().constData(), nullptr, &type,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &size);
        RegCloseKey(handle);
        if (rc != ERROR_SUCCESS)
            return std::nullopt;
        buffer.truncate(static_cast<qsizetype>(size));
        return Value{static_cast<quint32>(type), buffer};
    }
};
#endif

} // namespace

QString SystemKeySource::findTool() const
{
    for (const QString &tool : kTools) {
        const QString found = QStandardPaths::findExecutable(tool, m_searchPath);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

std::optional<KeySource::Value> SystemKeySource::query(quint32 root, const QString &key, const QString &name) const
{
    if (root != kLocalMachine)
        return std::nullopt;
    if (sameText(key, SysInfo::kInfoKey) && sameText(name, SysInfo::kInfoValue)) {
        const QString tool = findTool();
        if (tool.isEmpty())
            return std::nullopt;
        return string(tool.toLocal8Bit());
    }
    if (sameText(key, SysInfo::kLocationKey) && sameText(name, SysInfo::kLocationValue) && !m_ownFolder.isEmpty())
        return string(m_ownFolder.toLocal8Bit());
    return std::nullopt;
}

QString nativeToolPath(const QString &path)
{
#ifdef Q_OS_WIN
    return path;
#else
    QString p = path;
    return p.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
}

bool NativeFileProbe::exists(const QString &path) const
{
    return QFileInfo(nativeToolPath(path)).isFile();
}

Failure NativeLauncher::start(const QString &path)
{
    const QString program = nativeToolPath(path);
    if (!QProcess::startDetached(program, {}))
        return QStringLiteral("Cannot start %1").arg(program);
    return std::nullopt;
}

SysInfoTools SysInfoTools::native()
{
    SysInfoTools tools;
#ifdef Q_OS_WIN
    tools.keys = std::make_unique<RegistryKeySource>();
#else
    tools.keys = std::make_unique<SystemKeySource>(QStringList(), QCoreApplication::applicationDirPath());
#endif
    tools.files = std::make_unique<NativeFileProbe>();
    tools.launcher = std::make_unique<NativeLauncher>();
    return tools;
}
