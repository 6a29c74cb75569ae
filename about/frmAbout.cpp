// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/frmAbout.h"

#include "common/AppTitle.h"
#include "common/Version.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

frmAbout::frmAbout(MessageBox &messages, SysInfoTools tools, QWidget *parent)
    : QDialog(parent)
    , m_sysInfo(std::move(tools), messages)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildControls();
    Form_Load();
}

void frmAbout::buildControls()
{
    picIcon = m_layout.place(new QLabel(this), 240, 240, 540, 540);
    lblTitle = m_layout.place(new QLabel(this), 1050, 240, 3885, 480);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = m_layout.place(new QLabel(this), 1050, 780, 3885, 225);
    lblDescription =
        m_layout.place(new QLabel(QStringLiteral("Terminal and in circuit programmer"), this), 1050, 1125, 3885, 1170);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    auto *separator = m_layout.place(new QFrame(this), 90, 2445, 5564, 30); // the etched grey-and-white line
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    lblDisclaimer = m_layout.place(new QLabel(QStringLiteral("Written by the Tavro Terminal authors, 2024.\n"
                                                             "Provided as is, without warranty of any kind."),
                                              this),
                                   255, 2625, 3870, 825);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisclaimer->setWordWrap(true);
    cmdOK = m_layout.place(new QPushButton(QStringLiteral("OK"), this), 4245, 2640, 1260, 345);
    cmdOK->setDefault(true); // Enter; Escape closes the dialog too
    cmdSysInfo = m_layout.place(new QPushButton(QStringLiteral("&System Info..."), this), 4260, 3075, 1245, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + kAppTitle);
    lblVersion->setText(
        QStringLiteral("Version %1.%2.%3").arg(Version::kMajor).arg(Version::kMinor).arg(Version::kRevision));
    lblTitle->setText(kAppTitle);
    m_layout.apply(this, QSize(5730, 3555));
    picIcon->setPixmap(QApplication::windowIcon().pixmap(picIcon->size()));
}
