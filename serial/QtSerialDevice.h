// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialDevice.h"

#include <QSerialPort>

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
    QByteArray readAll() override { return m_port.readAll(); }
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;

    QString description() const override;

private:
    Failure systemFailure() const; // errno's description
    // Sets one modem-control line, or says that the device has none.
    Failure setLine(bool (QSerialPort::*set)(bool), bool on);
    bool hungUp() const;
    void onError(QSerialPort::SerialPortError error);

    QString m_path;
    QString m_label;
    mutable QSerialPort m_port;
    bool m_noModemLines = false;
    bool m_lost = false; // reported once; the owner closes the device
};
