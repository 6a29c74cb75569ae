// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

class FileDialog;
class MessageBox;
class PacingTimer;
struct PropertyValues;

// What the text sender needs from the main window.
class SenderHost
{
public:
    virtual ~SenderHost() = default;

    // The serial port.
    virtual Failure output(const QByteArray &bytes) = 0;
    virtual int pendingOutput() const = 0; // bytes queued and not yet written
    virtual QString portSettings() const = 0;

    // The window.
    virtual void setStatusText(const QString &text) = 0; // the "Settings" panel
    virtual void setCaption(const QString &text) = 0;
    // A transfer (with its file choice) began or ended: the transmit commands follow.
    virtual void transferChanged(bool running) = 0;

    // The Properties values, read afresh at every use, so that changes made during a transfer
    // apply from the next line.
    virtual const PropertyValues &properties() = 0;
    virtual bool eolReceived() const = 0;
    virtual void clearEolReceived() = 0;
    virtual QString lastTextFile() const = 0;
    virtual void setLastTextFile(const QString &path) = 0;

    virtual MessageBox &messages() = 0;
    virtual FileDialog &files() = 0;
    virtual PacingTimer &timer() = 0; // the shared Timer3
};
