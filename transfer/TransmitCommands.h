// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/TextSender.h"

#include <QString>

class SenderHost;

// The two commands that start a transfer: choose a file and send it, or send the last again.
// From the first step of either until the transfer ends, a transfer counts as running, so that
// the transmit commands stay off and no second one can start.
class TransmitCommands
{
public:
    static inline const QString kDialogTitle = QStringLiteral("Send Text File");
    static inline const QString kDialogFilter =
        QStringLiteral("Text Files (*.dlx,*.bas,*hex)|*.dlx;*.hex;*.bas|All Files (*.*)|*.*");

    TransmitCommands(SenderHost &host, TextSender &sender)
        : m_host(host)
        , m_sender(sender)
    {}

    void mnuSendText_Click();
    void mmuResendTextFile();

    bool isBusy() const { return m_choosing || m_sender.isRunning(); }

private:
    void setChoosing(bool on);

    SenderHost &m_host;
    TextSender &m_sender;
    bool m_choosing = false;
};
