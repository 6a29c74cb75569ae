// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/LineFormat.h"
#include "serial/SerialDevice.h"

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

// The terminal's serial port: one port number (Com1 to Com16) with its line format, open state
// and modem lines. It hands over what arrives as it arrives (dataReceived) and says when its
// device goes away (lost) and when it opens or closes (openChanged).
//
// The device behind the port number is made when the number is set and kept while the port is
// closed, so that a format can be checked against it without opening it.
class MSComm : public QObject
{
    Q_OBJECT
public:
    // Makes the device behind a port number, or says why there is none.
    using DeviceFactory = std::function<std::unique_ptr<SerialDevice>(int port, QString *error)>;

    static constexpr int kPortCount = 16;

    enum class Line { RTS, DTR, Break };

    explicit MSComm(DeviceFactory factory, QObject *parent = nullptr);
    ~MSComm() override;

    int CommPort() const { return m_port; }
    Failure setCommPort(int port);
    // A closed port takes back a number it had: nothing can refuse it.
    void restoreCommPort(int port);

    const LineFormat &format() const { return m_format; }
    // Applied to the open device at once; a closed port takes it for the next open.
    Failure setFormat(const LineFormat &format);
    // Whether the device behind the port could take this format, asked without opening it. A port
    // that names no device has nothing to refuse; opening it will say why.
    Failure checkFormat(const LineFormat &format) const;

    bool PortOpen() const { return m_device && m_device->isOpen(); }
    // Whether the port's device is there to be opened (again, after a loss).
    bool devicePresent() const { return device() && m_device->present(); }
    QString deviceNotBackBecause() const { return device() ? m_device->notBackBecause() : QString(); }
    // What the user sees for the port's device; nothing when the number names none.
    QString deviceDescription() const { return device() ? m_device->description() : QString(); }
    // Opens the device with the format, and DTR and RTS as they were last set.
    Failure open();
    void close();
    // Open, and its device still reaching its far end (a network port): see SerialDevice.
    // Closing the port cancels it.
    bool connecting() const { return PortOpen() && m_device->connecting(); }
    // The format in force as the open device reports it, where it does (see SerialDevice).
    std::optional<LineFormat> reportedFormat() const;
    // Why the chip cannot be programmed through this port's device, asked without opening it.
    Failure refusesProgramming() const;

    Failure setRTSEnable(bool on) { return setLine(Line::RTS, on); }
    Failure setDTREnable(bool on) { return setLine(Line::DTR, on); }
    Failure setBreak(bool on) { return setLine(Line::Break, on); }
    Failure setLine(Line line, bool on);
    bool CTSHolding() const;

    // True when the open device's line is known to be at this level: setting it would change
    // nothing on the wire. Unknown after a refusal, at open, and for RTS under RTS/CTS flow control.
    bool lineAt(Line line, bool level) const;
    // Requests to the device for its modem lines: every change and every CTS sample.
    quint64 lineOperations() const { return m_lineOperations; }
    int settleUs() const { return m_device ? m_device->settleUs() : 0; }

    // While the lines are driven by hand, RTS/CTS flow control is set aside on the device, so that
    // RTS can be set; the format keeps the mode, which the device gets back when the last hold ends.
    Failure holdLinesByHand();
    Failure endLinesByHand(); // what refused the flow control back

    Failure Output(const QByteArray &bytes);
    int OutBufferCount() const;

signals:
    void dataReceived(const QByteArray &bytes);
    // The open device went away; the port is closed by then, and keeps the device to reopen it
    // when it is back.
    void lost(const QString &description);
    void openChanged(bool open);
    // Output the device could not write, other than by going away; once per run of failures.
    void writeFailed(const QString &description);
    // The open device reached its far end; or it could not, and the port is closed by then.
    void connected();
    void connectFailed(const QString &why);
    // The open device reports another format in force.
    void formatReported();

private:
    SerialDevice *device() const; // made when first needed
    void readWaiting();
    void onDeviceLost(const QString &description);
    void onConnectFailed(const QString &why);
    // Closes the device that went away or never arrived.
    bool closeGone();
    // The format as the device gets it: without RTS/CTS while the lines are held by hand.
    LineFormat onDevice(LineFormat format) const;
    Failure applyToDevice(const LineFormat &format);

    DeviceFactory m_factory;
    mutable std::unique_ptr<SerialDevice> m_device; // behind m_port, open or not
    mutable QString m_noDevice;                     // why there is none
    int m_port = 1;
    LineFormat m_format;
    bool m_rts = false; // remembered while closed, applied at open
    bool m_dtr = false;
    std::array<std::optional<bool>, 3> m_levels; // by Line, while open
    mutable quint64 m_lineOperations = 0;
    int m_handHolds = 0;
    bool m_delivering = false; // inside dataReceived's handlers
};

// Lines held by hand from construction until end() (see MSComm::holdLinesByHand).
class LinesByHand
{
public:
    explicit LinesByHand(MSComm &comm)
        : m_comm(comm)
        , m_failure(comm.holdLinesByHand())
    {}
    // A hold left without end() (an exception unwinding) leaves no one to tell.
    ~LinesByHand()
    {
        if (!m_ended)
            std::ignore = m_comm.endLinesByHand();
    }
    LinesByHand(const LinesByHand &) = delete;
    LinesByHand &operator=(const LinesByHand &) = delete;

    const Failure &failure() const { return m_failure; }
    Failure end()
    {
        m_ended = true;
        return m_comm.endLinesByHand();
    }

private:
    MSComm &m_comm;
    Failure m_failure;
    bool m_ended = false;
};
