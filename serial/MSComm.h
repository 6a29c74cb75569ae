#pragma once

#include "common/Failure.h"
#include "serial/SerialDevice.h"

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>

// The terminal's serial control: one port number (Com1 to Com16) with its settings text,
// flow-control mode, open state, modem lines and received-data notification.
class MSComm : public QObject
{
    Q_OBJECT
public:
    // Makes the device behind a port number, or says why there is none.
    using DeviceFactory = std::function<std::unique_ptr<SerialDevice>(int port, QString *error)>;

    static constexpr int kPortCount = 16;
    static constexpr int kDataReceived = 2;

    enum class Line { RTS, DTR, Break };

    explicit MSComm(DeviceFactory factory, QObject *parent = nullptr);
    ~MSComm() override;

    int CommPort() const { return m_port; }
    Failure setCommPort(int port);

    // Speed, parity letter, data bits and stop bits joined by commas, parity in lower case.
    QString Settings() const;
    Failure setSettings(const QString &text);

    int Handshaking() const { return m_format.handshaking; }
    Failure setHandshaking(int mode);

    bool PortOpen() const;
    Failure setPortOpen(bool open);

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
    // RTS can be set; Handshaking keeps the mode, which the device gets back when the last hold ends.
    Failure holdLinesByHand();
    void endLinesByHand();

    Failure Output(const QByteArray &bytes);
    QByteArray Input();
    int InputMode() const { return m_inputMode; }
    void setInputMode(int mode) { m_inputMode = mode; }
    int OutBufferCount() const;
    int CommEvent() const { return m_commEvent; }

    static Failure parseSettings(const QString &text, LineFormat &format);
    // Whether the device behind a port could take this format, asked without opening it. A port
    // that names no device has nothing to refuse; opening it will say why.
    Failure checkFormat(int port, const LineFormat &format) const;

signals:
    void OnComm();
    // The open device went away; the port is closed by then.
    void portLost(const QString &description);

private:
    Failure deviceResult(Failure f) const;
    void onDeviceLost(const QString &description);
    // The format as the device gets it: without RTS/CTS while the lines are held by hand.
    LineFormat onDevice(LineFormat format) const;
    Failure applyToDevice(const LineFormat &format);

    DeviceFactory m_factory;
    std::unique_ptr<SerialDevice> m_device;
    int m_port = 1;
    LineFormat m_format;
    bool m_rts = false; // remembered while closed, applied at open
    bool m_dtr = false;
    int m_inputMode = 0;
    int m_commEvent = 0;
    std::array<std::optional<bool>, 3> m_levels; // by Line, while open
    mutable quint64 m_lineOperations = 0;
    int m_handHolds = 0;
};

// Lines held by hand for as long as it lives (see MSComm::holdLinesByHand).
class LinesByHand
{
public:
    explicit LinesByHand(MSComm &comm)
        : m_comm(comm)
        , m_failure(comm.holdLinesByHand())
    {}
    ~LinesByHand() { m_comm.endLinesByHand(); }
    LinesByHand(const LinesByHand &) = delete;
    LinesByHand &operator=(const LinesByHand &) = delete;

    const Failure &failure() const { return m_failure; }

private:
    MSComm &m_comm;
    Failure m_failure;
};
