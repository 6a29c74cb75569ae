// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <memory>

class MessageBox;

// Starts a program by its full path without waiting for it.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    // False when the program could not be started.
    [[nodiscard]] virtual bool start(const QString &path) = 0;
};

// A process of its own that nobody tracks.
class DetachedLauncher : public ProgramLauncher
{
public:
    bool start(const QString &path) override;
};

// Where the system-information tool is looked for and how it is started.
struct SysInfoTools
{
    QStringList searchPath; // empty: the PATH of the environment
    std::unique_ptr<ProgramLauncher> launcher;

    static SysInfoTools native() { return {{}, std::make_unique<DetachedLauncher>()}; }
};

// Starts the first system-information tool found on the search path.
class SysInfo
{
public:
    // Dedicated tools first, then the desktops' own monitors.
    static inline const QStringList kTools = {
        QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo"),
        QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
        QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager"),
    };
    static inline const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

    SysInfo(SysInfoTools tools, MessageBox &messages)
        : m_tools(std::move(tools))
        , m_messages(messages)
    {}

    void StartSysInfo();

private:
    QString findTool() const;

    SysInfoTools m_tools;
    MessageBox &m_messages;
};
