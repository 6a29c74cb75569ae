// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TransmitCommands.h"

#include "common/FileLookup.h"
#include "common/UserDialogs.h"
#include "transfer/SenderHost.h"

#include <QScopeGuard>

void TransmitCommands::setChoosing(bool on)
{
    m_choosing = on;
    m_host.transferChanged(isBusy());
}

void TransmitCommands::mnuSendText_Click()
{
    if (isBusy())
        return;
    setChoosing(true);
    auto chosen = qScopeGuard([this] { setChoosing(false); });
    for (;;) {
        const auto path = m_host.files().open({kDialogTitle, kDialogFilter});
        if (!path)
            return;
        m_host.setLastTextFile(*path);
        const FileLookup lookup = FileLookup::of(*path);
        if (lookup.result == FileLookup::Result::Failed) {
            m_host.messages().warn(lookup.error);
            return;
        }
        if (lookup.result == FileLookup::Result::Exists) {
            chosen.dismiss(); // the transfer reports its own end
            m_choosing = false;
            m_sender.SendText();
            return;
        }
        m_host.messages().warn(*path + QStringLiteral(" not found!"));
    }
}

void TransmitCommands::mmuResendTextFile()
{
    if (m_host.lastTextFile().isEmpty() || isBusy())
        return;
    m_sender.SendText();
}
