// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialDevice.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

// A real serial device (or pseudo-terminal) through QSerialPort.
class QtSerialDevice : public SerialDevice
{
    Q_OBJECT
public:
    explicit QtSerialDevice(QString path, QString label = {}, QObject *parent = nullptr);

    Failure open(const LineFormat &format) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    // What no port on Linux can do.
    Failure check(const LineFormat &format) const override;
    Failure apply(const LineFormat &format) override;

    Failure write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_gathered.size() + m_port.bytesAvailable(); }
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;

    QString description() const override;
    // The path is there again, or the adapter's stable link is, wherever it now points.
    bool present() const override;

    // The link under the folder (/dev/serial/by-id for USB adapters) that names this device by
    // what it is rather than by the order it was found in; empty when there is none.
    static QString stableLink(const QString &path, const QString &folder);

    // How long to leave the port before reading again, after a read of arrived bytes that came
    // sinceMs after the last (-1: the first), by the timer or not; 0 reads as they come.
    static qint64 gatherMs(qint64 lineBytesPerSecond, qint64 sinceMs, qint64 arrived, bool gathered);

private:
    Failure systemFailure() const; // errno's description
    // Sets one modem-control line, or says that the device has none.
    Failure setLine(bool (QSerialPort::*set)(bool), bool on);
    bool hungUp() const;
    void onError(QSerialPort::SerialPortError error);
    void onReadyRead();
    void readGathered();
    void delivered(qint64 arrived, bool gathered);

    // A stream is read in gulps: after a read that follows another within a frame, a timer
    // reads the port again once the stream can have brought three quarters of the line
    // discipline's 4 KiB buffer, a frame at most, so that one wake-up takes many lines instead
    // of a few. "Can have" is the line's speed and the stream's own rate, whichever is faster:
    // a full buffer holds a USB adapter back, and its own small buffer then overflows. A
    // pseudo-terminal has no speed but loses nothing. The first read after a pause (a key's
    // echo) comes at once. The frame is the view's, plus one millisecond, so that the view
    // draws in the same wake-up.
    static constexpr int kGatherMs = 34;
    static constexpr qint64 kGatherBytes = 3072;
    qint64 m_lineBytesPerSecond = 0;          // at the fewest bits a character can take
    QPointer<QSocketNotifier> m_readNotifier; // the port's own; gone when it closes
    QTimer m_gather;
    QElapsedTimer m_sinceRead;
    QByteArray m_gathered; // read by the timer, not yet taken

    QString m_path;
    QString m_label;
    QString m_stableLink; // found at the first open: a USB adapter may return under another tty
    mutable QSerialPort m_port;
    bool m_noModemLines = false;
    bool m_lost = false; // reported once; the owner closes the device
};
