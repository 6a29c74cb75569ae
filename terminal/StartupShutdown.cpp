// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "common/Twips.h"
#include "common/UserDialogs.h"
#include "settings/StoredProperties.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

void frmTerminal::Form_Load()
{
    frmProperties::fillPortList(cboPort, m_services.describePort);
    frmProperties::fillSpeedList(cboSpeed);
    cboSpeed->setEditText(QString());
    cboPort->setEditText(QString());
    setTextColour(TerminalSession::kReceivedTextColour);
    // The application's name, not a display name: the window system would add that to every caption.
    QApplication::setApplicationName(kAppTitle);
    setWindowTitle(kMainWindowTitle);
    // One reading of the store for all that start-up takes from it.
    const QStringList stored = StoredProperties::read(
        m_session.store(), SettingsStore::Entries{{QStringLiteral("FormWidth"), {}}, {QStringLiteral("FormHeight"), {}}}
                               + TerminalSession::kStoredKeys);
    loadWindowSize(stored[0], stored[1]);
    imgNotConnected->raise();

    const TerminalSession::StoredPort port = m_session.load(stored.mid(2));
    showReceiveViews();
    if (port.speedText)
        cboSpeed->setEditText(*port.speedText);
    if (port.portText)
        cboPort->setEditText(*port.portText);
}

void frmTerminal::loadWindowSize(const QString &storedWidth, const QString &storedHeight)
{
    // With nothing stored the window gets its design size, centred.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize menu(0, menuBar()->sizeHint().height());
    const QSize design = QSize(Twips::toPixels(kDesignClientWidth), Twips::toPixels(kDesignClientHeight)) + menu;
    const QScreen *screen = QApplication::primaryScreen();
    // A stored size stays within the screen: one saved on a larger screen, or a damaged value
    // such as 1e9, must not give a window that cannot be seen whole.
    const QSize largest = screen ? screen->availableGeometry().size() - frame : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize smallest = minimumSizeHint().expandedTo(QSize(1, 1)).boundedTo(largest);
    auto stored = [](const QString &text, int frameExtent, int lowest, int highest) -> std::optional<int> {
        bool ok = false;
        const double twips = text.toFloat(&ok);
        if (!ok || !(twips > 0))
            return std::nullopt;
        // Clamped before rounding, so that an infinite or huge value cannot overflow.
        const double pixels = std::min(twips / Twips::kPerPixel, double(highest) + frameExtent);
        return std::clamp(int(std::lround(pixels)) - frameExtent, lowest, highest);
    };
    QSize size = design.boundedTo(largest);
    if (const auto width = stored(storedWidth, frame.width(), smallest.width(), largest.width()))
        size.setWidth(*width);
    if (const auto height = stored(storedHeight, frame.height(), smallest.height(), largest.height()))
        size.setHeight(*height);
    resize(size);
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

void frmTerminal::Form_Unload(bool &Cancel)
{
    Cancel = !m_session.unload(m_askBeforeDropping);
    if (Cancel)
        return;
    SettingsStore::Entries entries = {
        {QStringLiteral("FormWidth"), QString::number(Twips::fromPixels(frameGeometry().width()))},
        {QStringLiteral("FormHeight"), QString::number(Twips::fromPixels(frameGeometry().height()))}};
    // A start-up that stopped early never read it: what is stored stays.
    if (m_session.lastTextFileKnown())
        entries.prepend({QStringLiteral("LastTextFile"), m_session.lastTextFile()});
    if (Failure failure = StoredProperties::write(m_session.store(), entries))
        m_session.messages().warn(*failure);
}

void frmTerminal::closeEvent(QCloseEvent *event)
{
    // A long operation running underneath ends first: the console and its download return and
    // release the chip before the window asks or goes; a transfer closes its file at once.
    if (m_session.holdsTarget()) {
        m_closeWhenIdle = true;
        m_session.stopProgramming();
        event->ignore();
        return;
    }
    m_closeWhenIdle = false;
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
    delete m_dialog;
    QApplication::quit();
}
