#pragma once

#include "transfer/TextSender.h"

#include <QString>

class SenderHost;

// The two commands that start a transfer: choose a file and send it, or send the last again.
// Both disable the transmit commands first, so that no second transfer can start.
class TransmitCommands
{
public:
    static inline const QString kDialogTitle = QStringLiteral("Send Text File");
    static inline const QString kDialogFilter =
        QStringLiteral("Text Files (*.dlx,*.bas,*hex)|*.dlx;*.hex;*.bas|All Files (*.*)|*.*");

    TransmitCommands(SenderHost &host, TextSender &sender) : m_host(host), m_sender(sender) {}

    void mnuSendText_Click();
    void mmuResendTextFile();

private:
    void disableAll();

    SenderHost &m_host;
    TextSender &m_sender;
};
