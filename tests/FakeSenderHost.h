// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeDialogs.h"
#include "common/AppState.h"
#include "settings/PropertiesModel.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"

#include <QElapsedTimer>
#include <QStringList>
#include <functional>

// A main window stand-in that records what the sender does, in order.
class FakeSenderHost : public SenderHost
{
public:
    struct Sent
    {
        QByteArray bytes;
        double atMs;
    };

    QList<Sent> sent;
    QStringList events; // "out", "transmit:0/1", "resend:0/1"
    AppState app;
    PropertyValues settings;
    bool eol = false;
    int eolClears = 0;
    QString lastFile;
    bool transmitOn = false;
    bool resendOn = false;
    QString status;
    QString caption = QStringLiteral("Tavro Terminal");
    int failOutputNumber = 0; // 1-based output call that fails; 0: none
    int queued = 0;           // what pendingOutput() reports
    std::function<void(const QByteArray &)> onOutput;
    FakeMessageBox messageBox;
    FakeFileDialog fileDialog;
    OwnPacingTimer shared;
    QElapsedTimer clock;

    FakeSenderHost() { clock.start(); }

    QByteArray wire() const
    {
        QByteArray all;
        for (const Sent &s : sent)
            all += s.bytes;
        return all;
    }
    // When each CR went out, in ms since the host was made.
    QList<double> lineEnds() const
    {
        QList<double> ends;
        for (const Sent &s : sent)
            if (s.bytes.endsWith('\r'))
                ends.append(s.atMs);
        return ends;
    }

    Failure output(const QByteArray &bytes) override
    {
        events.append(QStringLiteral("out"));
        if (failOutputNumber > 0 && --failOutputNumber == 0)
            return QStringLiteral("Port is closed");
        sent.append({bytes, clock.nsecsElapsed() / 1e6});
        if (onOutput)
            onOutput(bytes);
        return std::nullopt;
    }
    int pendingOutput() const override { return queued; }
    QString portSettings() const override { return QStringLiteral("9600,n,8,1"); }
    void setStatusText(const QString &text) override { status = text; }
    void setCaption(const QString &text) override { caption = text; }
    // The window's rule for the transmit pair and the re-send pair, on an open port.
    void transferChanged(bool running) override
    {
        transmitOn = !running;
        resendOn = !running && !lastFile.isEmpty();
        events.append(QStringLiteral("transmit:%1").arg(int(transmitOn)));
        events.append(QStringLiteral("resend:%1").arg(int(resendOn)));
    }
    const PropertyValues &properties() override { return settings; }
    bool eolReceived() const override { return eol; }
    void clearEolReceived() override
    {
        eol = false;
        ++eolClears;
    }
    QString lastTextFile() const override { return lastFile; }
    void setLastTextFile(const QString &path) override { lastFile = path; }
    MessageBox &messages() override { return messageBox; }
    FileDialog &files() override { return fileDialog; }
    PacingTimer &timer() override { return shared; }
};
