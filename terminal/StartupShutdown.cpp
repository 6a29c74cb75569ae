// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "about/frmAbout.h"
#include "common/AppTitle.h"
#include "common/Twips.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/WindowSize.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScreen>

void frmTerminal::Form_Load()
{
    frmProperties::fillPortList(m_area.cboPort, m_services.describePort);
    frmProperties::fillSpeedList(m_area.cboSpeed);
    m_area.cboSpeed->setEditText(QString());
    m_area.cboPort->setEditText(QString());
    m_area.setTextColour(ProgrammingMode::kReceivedTextColour);
    // The application's name, not a display name: the window system would add that to every caption.
    QApplication::setApplicationName(kAppTitle);
    setWindowTitle(kMainWindowTitle);
    const TerminalSession::Started started = m_session.start();
    // With nothing stored the window gets its design size, centred.
    const QSize design(Twips::toPixels(kDesignClientWidth), Twips::toPixels(kDesignClientHeight));
    resize(storedWindowSize(*this, design + QSize(0, menuBar()->sizeHint().height()), started.formWidth,
                            started.formHeight));
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_area.imgNotConnected->raise();
    showReceiveViews();
    if (started.port.speedText)
        m_area.cboSpeed->setEditText(*started.port.speedText);
    if (started.port.portText)
        m_area.cboPort->setEditText(*started.port.portText);
}

void frmTerminal::Form_Unload(bool &Cancel)
{
    const SettingsStore::Entries size = {
        {QStringLiteral("FormWidth"), QString::number(Twips::fromPixels(frameGeometry().width()))},
        {QStringLiteral("FormHeight"), QString::number(Twips::fromPixels(frameGeometry().height()))}};
    Cancel = m_session.requestClose(m_askBeforeDropping, size) != TerminalSession::Close::Now;
}

void frmTerminal::closeWithoutAsking()
{
    m_askBeforeDropping = false;
    if (m_dialog)
        m_dialog->cmdCancel_Click(); // its edits go, as Cancel drops them
    close();
}

void frmTerminal::closeEvent(QCloseEvent *event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
    // Every window goes with it, so that the application ends: it was the last one.
    delete m_dialog;
    if (m_about)
        m_about->close();
}
