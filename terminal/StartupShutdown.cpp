#include "terminal/frmTerminal.h"

#include "common/Twips.h"
#include "common/UserDialogs.h"
#include "settings/StoredProperties.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/EventWait.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

namespace {
std::optional<int> toInt(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<bool> toBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true"))
        return true;
    if (t == QLatin1String("false"))
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    return ok ? std::optional<bool>(number != 0) : std::nullopt;
}
} // namespace

void frmTerminal::Form_Load()
{
    frmProperties::fillPortList(cboPort, m_services.describePort);
    frmProperties::fillSpeedList(cboSpeed);
    cboSpeed->setEditText(QString());
    cboPort->setEditText(QString());
    setTextColour(kReceivedTextColour);
    // The application's name, not a display name: the window system would add that to every caption.
    QApplication::setApplicationName(kAppTitle);
    setWindowTitle(kMainWindowTitle);
    // One reading of the store for all that start-up takes from it.
    const QStringList stored = StoredProperties::read(m_services.store, {{QStringLiteral("FormWidth"), {}},
                                                                         {QStringLiteral("FormHeight"), {}},
                                                                         {QStringLiteral("Settings"), {}},
                                                                         {QStringLiteral("CommPort"), {}},
                                                                         {QStringLiteral("Handshaking"), {}},
                                                                         {QStringLiteral("LastTextFile"), {}},
                                                                         {QStringLiteral("Echo"), {}}});
    loadWindowSize(stored[0], stored[1]);
    imgNotConnected->raise();

    if (!applyStoredPort(stored[2], stored[3], stored[4]))
        return;
    LastTextFile = stored[5];
    if (const auto echo = toBool(stored[6]))
        m_app.LocalEcho = *echo;
    if (!LastTextFile.isEmpty())
        setWindowTitle(QStringLiteral("Send Text > ") + LastTextFile);
    (void)MSComm1->setRTSEnable(m_properties.invertsData());
    if (const QStringList &warnings = m_services.store.warnings(); !warnings.isEmpty())
        m_services.messages.warn(warnings.join(QLatin1Char('\n')));
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

bool frmTerminal::applyStoredPort(const QString &settings, const QString &port, const QString &handshaking)
{
    if (!settings.isEmpty())
        if (Failure failure = MSComm1->setSettings(settings)) {
            m_services.messages.warn(*failure);
            return false;
        }
    if (settings.contains(QLatin1Char(',')))
        cboSpeed->setEditText(settings.section(QLatin1Char(','), 0, 0));

    const Failure refused = toInt(port) ? MSComm1->setCommPort(*toInt(port)) : std::nullopt;
    cboPort->setEditText(refused ? QStringLiteral("Com%1").arg(MSComm1->CommPort()) : QStringLiteral("Com") + port);
    if (refused) {
        m_services.messages.warn(*refused);
        return false;
    }

    if (!handshaking.isEmpty()) {
        const Failure failure = toInt(handshaking)
                                    ? MSComm1->setHandshaking(*toInt(handshaking))
                                    : Failure(tr("Invalid property value: handshaking %1").arg(handshaking));
        if (failure) {
            m_services.messages.warn(*failure);
            return false;
        }
    }
    return true;
}

void frmTerminal::Form_Unload(bool &Cancel)
{
    if (MSComm1->PortOpen()) {
        QDeadlineTimer deadline(m_services.waits.drainMs);
        while (MSComm1->PortOpen() && MSComm1->OutBufferCount() > 0) {
            waitForEvents(100);
            if (!deadline.hasExpired())
                continue;
            if (!m_askBeforeDropping)
                break; // told to end: what could not go out in the drain wait is dropped
            const auto answer =
                m_services.messages.show(QStringLiteral("Data cannot be sent"), MessageBox::Buttons::AbortRetryIgnore,
                                         MessageBox::Icon::Question);
            if (answer == MessageBox::Answer::Abort) {
                Cancel = true;
                return;
            }
            if (answer == MessageBox::Answer::Ignore)
                break;
            deadline.setRemainingTime(m_services.waits.drainMs);
        }
        (void)MSComm1->setPortOpen(false);
    }
    if (m_log.isOpen())
        mnuCloseLog_Click();
    StoredProperties::write(
        m_services.store,
        {{QStringLiteral("LastTextFile"), LastTextFile},
         {QStringLiteral("FormWidth"), QString::number(Twips::fromPixels(frameGeometry().width()))},
         {QStringLiteral("FormHeight"), QString::number(Twips::fromPixels(frameGeometry().height()))}});
}

void frmTerminal::mnuFileExit_Click()
{
    close();
}

void frmTerminal::closeEvent(QCloseEvent *event)
{
    // A long operation running underneath ends first: the console and its download return and
    // release the chip before the window asks or goes; a transfer closes its file at once.
    if (m_holdingTarget) {
        m_closeWhenIdle = true;
        stopProgramming();
        event->ignore();
        return;
    }
    m_closeWhenIdle = false;
    if (m_sender.isRunning())
        m_sender.abort();
    m_unloadCancel = false;
    Form_Unload(m_unloadCancel);
    if (m_unloadCancel) {
        event->ignore();
        return;
    }
    event->accept();
    delete m_dialog;
    QApplication::quit();
}
