// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "common/Twips.h"
#include "settings/SettingsStore.h"
#include "settings/StoredProperties.h"
#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/HexView.h"
#include "terminal/Icons.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>

namespace {
constexpr int kStatusRow = 315;  // twips
constexpr int kSlotWidth = 1215; // progress bar, cancel button, each drop-down list
} // namespace

frmTerminal::frmTerminal(Services services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_session(m_services.session)
{
    buildMenus();
    buildClientArea();
    buildToolBar();
    connectSession();
    connect(&m_signals, &SignalWatch::received, this, [this] {
        m_askBeforeDropping = false;
        close();
    });
    m_drawTimer.setSingleShot(true);
    connect(&m_drawTimer, &QTimer::timeout, this, &frmTerminal::drawNow);
    m_sinceDraw.start();
    Form_Load();
    EnableMenuSystem();
}

void frmTerminal::connectSession()
{
    connect(&m_session, &TerminalSession::textChanged, this, &frmTerminal::scheduleDraw);
    connect(&m_session, &TerminalSession::drawRequested, this, &frmTerminal::drawNow);
    connect(&m_session, &TerminalSession::commandsChanged, this, &frmTerminal::EnableMenuSystem);
    connect(&m_session, &TerminalSession::statusChanged, sbrStatus, &QLabel::setText);
    connect(&m_session, &TerminalSession::captionChanged, this, &QWidget::setWindowTitle);
    connect(&m_session, &TerminalSession::textColourChanged, this, &frmTerminal::setTextColour);
    connect(&m_session, &TerminalSession::programmingChanged, this, &frmTerminal::showProgramming);
    connect(&m_session, &TerminalSession::progressChanged, this, &frmTerminal::setProgress);
}

frmTerminal::~frmTerminal()
{
    delete m_dialog;
}

void frmTerminal::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &caption, auto handler) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setSeparatorsCollapsible(false); // M3 opens the menu
    mnuFile->addSeparator();
    item(mnuFile, "mnuSendText", QStringLiteral("&Transmit Text File..."), &frmTerminal::mnuSendText_Click);
    item(mnuFile, "mnuResendTextFile", QStringLiteral("&Re-transmit Text File"), &frmTerminal::mmuResendTextFile);
    mnuFile->addSeparator();
    item(mnuFile, "mnuOpenLog", QStringLiteral("&Open Log File"), &frmTerminal::mnuOpenLog_Click);
    item(mnuFile, "mnuCloseLog", QStringLiteral("C&lose Log File"), &frmTerminal::mnuCloseLog_Click);
    item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"), &frmTerminal::mnuFileExit_Click);

    mnuPort = menuBar()->addMenu(QStringLiteral("&CommPort"));
    mnuPort->setObjectName(QStringLiteral("mnuPort"));
    item(mnuPort, "mnuOpen", QStringLiteral("Port &Open"), &frmTerminal::mnuOpen_Click)->setCheckable(true);
    item(mnuPort, "mnuReconnect", QStringLiteral("&Reconnect Automatically"), &frmTerminal::mnuReconnect_Click)
        ->setCheckable(true);
    mnuPort->addSeparator();
    item(mnuPort, "mnuProperties", QStringLiteral("Properties..."), &frmTerminal::mnuProperties_Click);
    buildViewMenu();

    mmuAbout = menuBar()->addAction(QStringLiteral("&About"));
    mmuAbout->setObjectName(QStringLiteral("mmuAbout"));
    connect(mmuAbout, &QAction::triggered, this, &frmTerminal::mmuAbout_Click);
}

QAction *frmTerminal::menuItem(const QString &name) const
{
    if (mmuAbout->objectName() == name)
        return mmuAbout;
    return menuBar()->findChild<QAction *>(name);
}

void frmTerminal::buildToolBar()
{
    struct Button
    {
        const char *key;
        const char *hint;
        const char *description;
        Icons::Kind icon;
    };
    static const Button kButtons[] = {
        {"OpenLogFile", "Open Log File...", "Open Log File...", Icons::Kind::OpenLog},
        {"CloseLogFile", "Close Log File", "Close Log File", Icons::Kind::CloseLog},
        {nullptr, nullptr, nullptr, {}},
        {"Properties", "Change Properties", "Properties...", Icons::Kind::Properties},
        {nullptr, nullptr, nullptr, {}},
        {"TransmitTextFile", "Transmit text file", "Transmit Test File", Icons::Kind::Transmit},
        {"ResendTextFile", "Re-send Text File...", "Re-send Text File...", Icons::Kind::Resend},
        {nullptr, nullptr, nullptr, {}},
        {"ResetCPU", "", "Reset", Icons::Kind::Reset},
        {"Prog", "", "", Icons::Kind::Prog},
    };
    QAction *first = tbrToolBar->addSeparator();
    first->setToolTip(QStringLiteral("Sends H/W Reset to CPU then space to allow autobaud"));
    for (const Button &b : kButtons) {
        if (!b.key) {
            tbrToolBar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        // Only the hint is a tooltip, and a button without one has none: the action has no text
        // to fall back on. Its description is what "What's This?" tells.
        QAction *action = tbrToolBar->addAction(Icons::make(b.icon), QString());
        action->setWhatsThis(QString::fromLatin1(b.description));
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(b.hint));
        connect(action, &QAction::triggered, this, [this, key] { tbrToolBar_ButtonClick(key); });
    }
}

QAction *frmTerminal::toolButton(const QString &key) const
{
    for (QAction *action : tbrToolBar->actions())
        if (action->objectName() == key)
            return action;
    return nullptr;
}

void frmTerminal::buildClientArea()
{
    m_client = new QWidget(this);
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    tbrToolBar = new QToolBar(m_client);
    tbrToolBar->setIconSize(QSize(24, 24));
    tbrToolBar->setMovable(false);

    txtTerm = new TerminalView(m_client);
    txtTerm->setKeyPressHandler([this](quint16 &key) { txtTerm_KeyPress(key); });
    txtTerm->setBeforeLocalEdit([this] { drawNow(); });
    txtTerm->setLocalEditHandler([this](qsizetype position, qsizetype length, const QString &with) {
        m_session.viewEdited(position, length, with);
        drawReceiveViews();
    });
    m_hexView = new HexView(txtTerm, m_client);
    m_hexView->hide();

    // The connection indicators share one place at the toolbar's right end.
    Frame1 = new QWidget(m_client);
    auto *indicators = new QHBoxLayout(Frame1);
    indicators->setContentsMargins(0, 0, 0, 0);
    imgConnected = new ClickableLabel(Frame1);
    imgNotConnected = new ClickableLabel(Frame1);
    imgConnected->setPixmap(Icons::make(Icons::Kind::Connected).pixmap(16, 16));
    imgNotConnected->setPixmap(Icons::make(Icons::Kind::NotConnected).pixmap(16, 16));
    imgConnected->setToolTip(QStringLiteral("Disconnect"));
    imgNotConnected->setToolTip(QStringLiteral("Connect"));
    indicators->addWidget(imgConnected);
    indicators->addWidget(imgNotConnected);
    connect(imgConnected, &ClickableLabel::clicked, this, &frmTerminal::mnuOpen_Click);
    connect(imgNotConnected, &ClickableLabel::clicked, this, &frmTerminal::mnuOpen_Click);

    // Lists that show a stored text even when it is none of their items ("Comx", "31250"); only
    // picking an item does anything.
    cboPort = new QComboBox(m_client);
    cboSpeed = new QComboBox(m_client);
    for (QComboBox *list : {cboPort, cboSpeed}) {
        list->setEditable(true);
        list->lineEdit()->setReadOnly(true);
    }
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    connect(cboPort, &QComboBox::activated, this, &frmTerminal::cboPort_Click);
    connect(cboSpeed, &QComboBox::activated, this, &frmTerminal::cboSpeed_Click);

    sbrStatus = new ClickableLabel(m_client);
    sbrStatus->setObjectName(QStringLiteral("Settings"));
    sbrStatus->setFrameShape(QFrame::Panel);
    sbrStatus->setFrameShadow(QFrame::Sunken);
    sbrStatus->setToolTip(QStringLiteral("Communications Port Settings"));
    sbrStatus->setText(QStringLiteral("Settings:"));
    connect(sbrStatus, &ClickableLabel::clicked, this, &frmTerminal::sbrStatus_PanelClick);

    prgSend = new QProgressBar(m_client);
    prgSend->setTextVisible(false);
    cmdCancelSend = new QPushButton(QStringLiteral("Cancel Send"), m_client);
    connect(cmdCancelSend, &QPushButton::clicked, this, &frmTerminal::cmdCancelSend_Click);
}

bool frmTerminal::event(QEvent *event)
{
    // The window paints its changed widgets on this request: the dearer half of a draw.
    if (event->type() != QEvent::UpdateRequest || !m_paintPending)
        return QMainWindow::event(event);
    QElapsedTimer paint;
    paint.start();
    const bool handled = QMainWindow::event(event);
    m_frameMs += double(paint.nsecsElapsed()) / 1e6;
    m_paintPending = false;
    return handled;
}

bool frmTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmTerminal::Form_Resize()
{
    using Twips::fromPixels;
    using Twips::toPixels;
    const double W = fromPixels(m_client->width());
    const double H = fromPixels(m_client->height());
    const double toolbarHeight = fromPixels(tbrToolBar->sizeHint().height());
    tbrToolBar->setGeometry(0, 0, m_client->width(), tbrToolBar->sizeHint().height());
    // The slots and the row as designed, or larger where the font in use needs it.
    const double slot =
        std::max({double(kSlotWidth), fromPixels(cboPort->sizeHint().width()), fromPixels(cboSpeed->sizeHint().width()),
                  fromPixels(cmdCancelSend->sizeHint().width())});
    const double row = std::max(double(kStatusRow), fromPixels(cmdCancelSend->sizeHint().height()));

    // The view fills what the toolbar and the bottom row leave, so the row never covers it.
    const double viewHeight = std::max(0.0, std::round(H - toolbarHeight - row));
    txtTerm->setGeometry(0, toPixels(toolbarHeight), m_client->width(), toPixels(viewHeight));
    m_hexView->setGeometry(txtTerm->geometry());

    const double frameWidth = fromPixels(Frame1->sizeHint().width());
    const int listTop = (tbrToolBar->height() - cboPort->sizeHint().height()) / 2;
    Frame1->setGeometry(toPixels(W - 1.5 * frameWidth), (tbrToolBar->height() - Frame1->sizeHint().height()) / 2,
                        toPixels(frameWidth), Frame1->sizeHint().height());
    cboPort->setGeometry(toPixels(W - slot - 1.5 * frameWidth), listTop, toPixels(slot), cboPort->sizeHint().height());
    cboSpeed->setGeometry(toPixels(W - 2 * slot - 1.5 * frameWidth), listTop, toPixels(slot),
                          cboSpeed->sizeHint().height());

    // The bottom row starts where the view ends.
    const double rowTop = toolbarHeight + viewHeight;
    sbrStatus->setGeometry(0, toPixels(rowTop), toPixels(std::max(0.0, W - slot)), toPixels(row));
    cmdCancelSend->setGeometry(toPixels(W - slot + 5), toPixels(rowTop), toPixels(slot), toPixels(row));
    prgSend->setGeometry(toPixels(W - 2 * slot + 5), toPixels(rowTop), toPixels(slot), toPixels(row));
    tbrToolBar->lower();
}
