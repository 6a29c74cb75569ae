#include "transfer/TransmitCommands.h"

#include "terminal/UserDialogs.h"
#include "transfer/FileLookup.h"
#include "transfer/SenderHost.h"

void TransmitCommands::disableAll()
{
    m_host.setTransmitEnabled(false);
    m_host.setResendEnabled(false);
}

void TransmitCommands::mnuSendText_Click()
{
    disableAll();
    for (;;) {
        const auto chosen = m_host.files().open({kDialogTitle, kDialogFilter, false});
        if (!chosen) {
            m_host.enableTransmitCommands();
            return;
        }
        m_host.setLastTextFile(*chosen);
        const FileLookup lookup = FileLookup::of(*chosen);
        if (lookup.result == FileLookup::Result::Failed) {
            m_host.messages().warn(lookup.error);
            m_host.setTransmitEnabled(true); // the re-send pair stays off
            return;
        }
        if (lookup.result == FileLookup::Result::Exists) {
            m_sender.SendText(); // enables the commands again when it ends
            return;
        }
        m_host.messages().warn(*chosen + QStringLiteral(" not found!"));
    }
}

void TransmitCommands::mmuResendTextFile()
{
    if (m_host.lastTextFile().isEmpty())
        return;
    disableAll();
    m_sender.SendText();
}
