// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialDevice.h"

// A device that hands over exactly the chunks a test gives it, each as one notification, and
// keeps what is written to it.
class ChunkDevice : public SerialDevice
{
public:
    QByteArray written;
    qint64 stuck = 0; // bytes that never leave the queue
    void deliver(const QByteArray &chunk)
    {
        m_waiting += chunk;
        emit readyRead();
    }

    Failure open(const LineFormat &) override { return m_open = true, std::nullopt; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    Failure apply(const LineFormat &) override { return std::nullopt; }
    Failure write(const QByteArray &bytes) override { return written += bytes, std::nullopt; }
    QByteArray readAll() override { return std::exchange(m_waiting, {}); }
    qint64 bytesAvailable() const override { return m_waiting.size(); }
    qint64 bytesToWrite() const override { return stuck; }
    Failure setRequestToSend(bool) override { return std::nullopt; }
    Failure setDataTerminalReady(bool) override { return std::nullopt; }
    Failure setBreak(bool) override { return std::nullopt; }
    bool clearToSend() const override { return false; }
    QString description() const override { return QStringLiteral("chunk device"); }

private:
    QByteArray m_waiting;
    bool m_open = false;
};
