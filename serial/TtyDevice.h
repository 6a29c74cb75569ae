// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/DeviceIdentity.h"
#include "serial/DeviceLock.h"
#include "serial/ReadGathering.h"
#include "serial/SerialDevice.h"

#include <QSocketNotifier>
#include <memory>
#include <optional>

// A serial device or pseudo-terminal, owned outright: opened with an exclusive lock, set with
// termios, its modem lines and break by ioctl, read and written through notifiers of its own.
class TtyDevice : public SerialDevice
{
    Q_OBJECT
public:
    explicit TtyDevice(QString path, QString label = {}, DeviceIdentity::Places places = {}, QObject *parent = nullptr);
    ~TtyDevice() override;

    // The first open takes the device's identity; after a loss only the same device opens again.
    Failure open(const LineFormat &format) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    // What no port on Linux can do.
    Failure check(const LineFormat &format) const override;
    Failure apply(const LineFormat &format) override;

    // Queued when the driver cannot take it all at once; a write that fails later, other than by
    // the device going away, is said once (writeFailed) until a write succeeds again. A device
    // that went away says so once (lost), whichever side finds it first.
    Failure write(const QByteArray &bytes) override;
    QByteArray readAll() override { return std::exchange(m_received, {}); }
    qint64 bytesAvailable() const override { return m_received.size(); }
    // Queued here and in the driver, not yet sent.
    qint64 bytesToWrite() const override;

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;
    bool hasModemLines() const override { return !m_noModemLines; }

    QString description() const override;
    bool present() const override;
    QString notBackBecause() const override;

private:
    Failure failure(const QString &reason) const; // "path: reason"
    Failure systemFailure() const;                // errno's description
    Failure openPath(const QString &path, const LineFormat &format);
    Failure setModemLine(int line, bool on);
    qint64 readWaiting(); // what the driver holds, into m_received; -1: the device went away
    void onReadable();
    void readGathered();
    void delivered(qint64 arrived, bool gathered);
    void writeQueued();
    void goneAway();

    QString m_path;
    QString m_label;
    DeviceIdentity::Places m_places;
    std::optional<DeviceIdentity> m_identity; // from the first open
    int m_fd = -1;
    std::unique_ptr<DeviceLock> m_lock;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    ReadGathering m_gathering;
    QByteArray m_received;           // read, not yet taken
    QByteArray m_toWrite;            // not yet taken by the driver
    bool m_noModemLines = false;
    bool m_rtsByFlowControl = false;
    bool m_writeFailureSaid = false;
    bool m_goneSaid = false; // once an open
};
