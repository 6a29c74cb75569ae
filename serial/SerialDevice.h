// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/LineFormat.h"

#include <QByteArray>
#include <QObject>

// One device behind a port number: a real serial port, a pseudo-terminal or the simulated
// board. Everything runs on the user-interface thread; readyRead and lost are queued there.
class SerialDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual Failure open(const LineFormat &format) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // What the device could never take, asked without opening it.
    virtual Failure check(const LineFormat &) const { return std::nullopt; }
    // Applied to the open device; a closed device only checks.
    virtual Failure apply(const LineFormat &format) = 0;

    virtual Failure write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual qint64 bytesToWrite() const = 0;

    virtual Failure setRequestToSend(bool on) = 0;
    virtual Failure setDataTerminalReady(bool on) = 0;
    virtual Failure setBreak(bool on) = 0;
    virtual bool clearToSend() const = 0;

    // Whether the device is there to be opened again after it went away; when something else
    // stands where it was, what that is.
    virtual bool present() const { return true; }
    virtual QString notBackBecause() const { return {}; }
    // A pseudo-terminal has none: nothing to set at open, and every line change is refused.
    virtual bool hasModemLines() const { return true; }

    // What the user sees for this device, e.g. "/dev/ttyUSB0 (FT232R USB UART)".
    virtual QString description() const = 0;

    // A device that reaches its far end over a network only starts connecting in open(), which
    // returns at once. While connecting() holds it takes writes, format and line changes, queued
    // in order; then it says connected(), or connectFailed(why), after which it stays open and
    // refuses everything until its owner closes it, as after lost. The devices on this machine
    // are connected when open() returns and never say either.
    virtual bool connecting() const { return false; }
    // The format as the far end reports it in force (a network port's server answers each
    // setting, and may refuse or change one); nothing from a device that does not report.
    // formatReported says when it changes.
    virtual std::optional<LineFormat> reportedFormat() const { return std::nullopt; }
    // Why the chip cannot be programmed through this device's lines, where it cannot.
    virtual Failure refusesProgramming() const { return std::nullopt; }

    // How long the lines need after a change before the next change or a CTS sample, for USB
    // adapters that apply changes late; 0 for none.
    int settleUs() const { return m_settleUs; }
    void setSettleUs(int us) { m_settleUs = us; }

signals:
    void readyRead();
    // The device went away while open (unplugged, other side of a pty closed).
    void lost(const QString &description);
    // Output the device could not write, other than by going away; once per run of failures.
    void writeFailed(const QString &description);
    void connected();
    void connectFailed(const QString &why);
    void formatReported();

private:
    int m_settleUs = 0;
};
