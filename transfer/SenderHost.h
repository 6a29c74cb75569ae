#pragma once

#include "serial/Failure.h"

#include <QByteArray>
#include <QString>

class FileDialog;
class MessageBox;
class PacingTimer;

// The text-transfer settings as the Properties dialog's fields hold them right now.
struct TransferSettings
{
    bool chkStart = false;
    QString txtStartWord;
    QString txtStartFileType;
    QString txtStartDelay;
    bool chkWaitFor = false;
    bool chkLineDelay = false;
    QString txtLineDelay;
};

// What the text sender needs from the main window.
class SenderHost
{
public:
    virtual ~SenderHost() = default;

    // The serial port.
    virtual Failure output(const QByteArray &bytes) = 0;
    virtual int pendingOutput() const = 0; // bytes queued and not yet written
    // Takes the bytes waiting in the port and runs them through the receive handler's path
    // (wait-character check, view, log), as a data notification would.
    virtual void receiveWaitingInput() = 0;
    virtual void setBinaryInputMode() = 0;
    virtual QString portSettings() const = 0;

    // The window.
    virtual void setStatusText(const QString &text) = 0; // the "Settings" panel
    virtual void setCaption(const QString &text) = 0;
    virtual void setTransmitEnabled(bool on) = 0; // mnuSendText and "TransmitTextFile"
    virtual void setResendEnabled(bool on) = 0;   // mnuResendTextFile and "ResendTextFile"
    // Transmit back on, and re-transmit too when there is a file to send again.
    void enableTransmitCommands()
    {
        setTransmitEnabled(true);
        if (!lastTextFile().isEmpty())
            setResendEnabled(true);
    }

    // Read afresh at every use, so changes made during a transfer apply from the next line.
    virtual TransferSettings transferSettings() const = 0;
    virtual bool eolReceived() const = 0;
    virtual void clearEolReceived() = 0;
    virtual QString lastTextFile() const = 0;
    virtual void setLastTextFile(const QString &path) = 0;

    virtual MessageBox &messages() = 0;
    virtual FileDialog &files() = 0;
    virtual PacingTimer &timer() = 0; // the shared Timer3
};
