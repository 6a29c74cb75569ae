// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "about/SysInfo.h"
#include "widgets/TwipsLayout.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: title, version, description, and a launcher of the system-information tool.
// Modeless; OK closes and destroys it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    frmAbout(MessageBox &messages, SysInfoTools tools, QWidget *parent = nullptr);

    void StartSysInfo() { m_sysInfo.StartSysInfo(); }

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

private:
    void buildControls();
    void Form_Load();
    void cmdOK_Click() { close(); }
    void cmdSysInfo_Click() { StartSysInfo(); }

    SysInfo m_sysInfo;
    TwipsLayout m_layout;
};
