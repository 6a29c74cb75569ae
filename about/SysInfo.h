#pragma once

#include "about/KeySource.h"
#include "common/Failure.h"

#include <QString>
#include <memory>

class MessageBox;

// Whether a file exists at a path.
class FileProbe
{
public:
    virtual ~FileProbe() = default;
    virtual bool exists(const QString &path) const = 0;
};

// Starts a program by its full path without waiting for it.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    virtual Failure start(const QString &path) = 0;
};

// What the system-information lookup reads and starts.
struct SysInfoTools
{
    std::unique_ptr<KeySource> keys;
    std::unique_ptr<FileProbe> files;
    std::unique_ptr<ProgramLauncher> launcher;

    // The registry on Windows; elsewhere the stand-in source of SystemKeySource.
    static SysInfoTools native();
};

// Finds the system-information tool through the two registered locations and starts it.
class SysInfo
{
public:
    static inline const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static inline const QString kInfoValue = QStringLiteral("PATH");
    static inline const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static inline const QString kLocationValue = QStringLiteral("MSINFO");
    static inline const QString kToolName = QStringLiteral("\\MSINFO32.EXE");
    static inline const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
    static constexpr int kBufferSize = 1024;

    SysInfo(SysInfoTools tools, MessageBox &messages)
        : m_tools(std::move(tools))
        , m_messages(messages)
    {}

    void StartSysInfo();
    // True when the value was read; KeyVal then holds it (a value of another type leaves it).
    bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal) const;

private:
    QString locateTool() const;

    SysInfoTools m_tools;
    MessageBox &m_messages;
};
