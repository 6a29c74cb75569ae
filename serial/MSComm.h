#pragma once

#include "serial/Failure.h"
#include "serial/SerialDevice.h"

#include <QObject>
#include <functional>
#include <memory>

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

    Failure setRTSEnable(bool on);
    Failure setDTREnable(bool on);
    Failure setBreak(bool on);
    bool CTSHolding() const;

    Failure Output(const QByteArray &bytes);
    QByteArray Input();
    int InputMode() const { return m_inputMode; }
    void setInputMode(int mode) { m_inputMode = mode; }
    int OutBufferCount() const;
    int CommEvent() const { return m_commEvent; }

    // The device currently behind the port, for messages and tooltips.
    QString deviceDescription() const;

    static Failure parseSettings(const QString &text, LineFormat &format);

signals:
    void OnComm();
    // The open device went away; the port is closed by then.
    void portLost(const QString &description);

private:
    Failure deviceResult(Failure f) const;
    void onDeviceLost(const QString &description);

    DeviceFactory m_factory;
    std::unique_ptr<SerialDevice> m_device;
    int m_port = 1;
    LineFormat m_format;
    bool m_rts = false; // remembered while closed, applied at open
    bool m_dtr = false;
    int m_inputMode = 0;
    int m_commEvent = 0;
};
