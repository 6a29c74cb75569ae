// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestFiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <memory>
#include <sys/prctl.h>

// Two connected pseudo-terminals from socat at fixed paths, standing for an adapter and its
// cable: what is written at one end is read at the other; unplugging ends socat, plugging in
// again makes a new pair under the same names.
class PtyPair
{
public:
    PtyPair()
    {
        // socat ends with the test, however the test ends: a pair left behind holds the build
        // lock's descriptor and the pseudo-terminal numbers.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        plugIn();
    }
    ~PtyPair() { unplug(); }

    bool plugIn()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            return false;
        m_process.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + host(),
                                                  QStringLiteral("pty,raw,echo=0,link=") + board()});
        for (int i = 0; i < 250 && !ready(); ++i)
            QThread::msleep(20);
        return ready();
    }
    void unplug()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(2000);
    }
    // As kill -9 ends it: its links stay behind, dangling.
    void killHard()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool ready() const { return QFileInfo::exists(host()) && QFileInfo::exists(board()); }
    // Ready, or the test fails with one line that says why:  if (!pty.usable()) return;
    bool usable() const
    {
        if (!requireTool("socat", "socat"))
            return false;
        if (!ready())
            QTest::qFail("socat made no pseudo-terminal pair", __FILE__, __LINE__);
        return ready();
    }
    QString host() const { return m_dir.filePath(QStringLiteral("host")); }   // the terminal's end
    QString board() const { return m_dir.filePath(QStringLiteral("board")); } // the board's end

    // The board's end, open, as the board's firmware sees the line.
    std::unique_ptr<QSerialPort> openBoard() const
    {
        auto port = std::make_unique<QSerialPort>(board());
        return port->open(QIODevice::ReadWrite) ? std::move(port) : nullptr;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
