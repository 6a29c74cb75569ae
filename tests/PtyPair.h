#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// Two connected pseudo-terminals made by socat; what is written to one end is read at the other.
class PtyPair
{
public:
    PtyPair()
    {
        m_process.start(QStringLiteral("socat"),
                        {QStringLiteral("pty,raw,echo=0,link=") + a(), QStringLiteral("pty,raw,echo=0,link=") + b()});
        for (int i = 0; i < 100 && !(QFileInfo::exists(a()) && QFileInfo::exists(b())); ++i)
            QThread::msleep(20);
    }
    ~PtyPair() { close(); }
    bool ready() const { return QFileInfo::exists(a()) && QFileInfo::exists(b()); }
    QString a() const { return m_dir.filePath(QStringLiteral("a")); }
    QString b() const { return m_dir.filePath(QStringLiteral("b")); }
    // Ends the pair, as when an adapter is unplugged.
    void close()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(2000);
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
