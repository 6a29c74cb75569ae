// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmTerminal.h"

#include "settings/frmProperties.h"
#include "terminal/ClickableLabel.h"
#include "terminal/TerminalView.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QMenuBar>
#include <QPushButton>

frmTerminal::frmTerminal(TerminalSession &session, Services services, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_services(std::move(services))
    , m_area(new QWidget(this))
{
    setCentralWidget(m_area.client);
    connectControls();
    m_commands.emplace(menuBar(), m_area.tbrToolBar);
    connectCommands();
    connectSession();
    connect(&m_pacer, &DrawPacer::due, this, &frmTerminal::drawNow);
    Form_Load();
    EnableMenuSystem();
}

frmTerminal::~frmTerminal()
{
    delete m_dialog;
}

void frmTerminal::connectCommands()
{
    // A toolbar button and its menu item reach the same handler.
    using Handler = void (frmTerminal::*)();
    const std::pair<const char *, Handler> commands[] = {{"mnuSendText", &frmTerminal::mnuSendText_Click},
                                                         {"TransmitTextFile", &frmTerminal::mnuSendText_Click},
                                                         {"mnuResendTextFile", &frmTerminal::mmuResendTextFile},
                                                         {"ResendTextFile", &frmTerminal::mmuResendTextFile},
                                                         {"mnuOpenLog", &frmTerminal::mnuOpenLog_Click},
                                                         {"OpenLogFile", &frmTerminal::mnuOpenLog_Click},
                                                         {"mnuCloseLog", &frmTerminal::mnuCloseLog_Click},
                                                         {"mnuSavePlot", &frmTerminal::mnuSavePlot_Click},
                                                         {"CloseLogFile", &frmTerminal::mnuCloseLog_Click},
                                                         {"mnuProperties", &frmTerminal::mnuProperties_Click},
                                                         {"Properties", &frmTerminal::mnuProperties_Click},
                                                         {"ResetCPU", &frmTerminal::mmuReset_Click},
                                                         {"Prog", &frmTerminal::mmuProg_Click},
                                                         {"mnuFileExit", &frmTerminal::mnuFileExit_Click},
                                                         {"mnuOpen", &frmTerminal::mnuOpen_Click},
                                                         {"mmuAbout", &frmTerminal::mmuAbout_Click}};
    for (const auto &[name, handler] : commands) {
        QAction *item = menuItem(QString::fromLatin1(name));
        connect(item ? item : toolButton(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    }
    connect(menuItem(QStringLiteral("mnuReconnect")), &QAction::triggered, this, &frmTerminal::mnuReconnect_Click);
    connect(menuItem(QStringLiteral("mnuTimeStamps")), &QAction::triggered, this, &frmTerminal::mnuTimeStamps_Click);
    connect(menuItem(QStringLiteral("mnuHex")), &QAction::triggered, this, &frmTerminal::mnuHex_Click);
    connect(menuItem(QStringLiteral("mnuPlot")), &QAction::triggered, this, &frmTerminal::mnuPlot_Click);
}

void frmTerminal::connectSession()
{
    connect(&m_session, &TerminalSession::textChanged, &m_pacer, &DrawPacer::changed);
    connect(&m_session, &TerminalSession::drawRequested, this, &frmTerminal::drawNow);
    connect(&m_session, &TerminalSession::commandsChanged, this, &frmTerminal::EnableMenuSystem);
    connect(&m_session, &TerminalSession::statusChanged, m_area.sbrStatus, &QLabel::setText);
    connect(&m_session, &TerminalSession::portFormatReported, this, &frmTerminal::showPortLists);
    connect(&m_session, &TerminalSession::captionChanged, this, &QWidget::setWindowTitle);
    connect(&m_session, &TerminalSession::textColourChanged, this, [this](quint32 rgb) { m_area.setTextColour(rgb); });
    connect(&m_session, &TerminalSession::programmingChanged, this, &frmTerminal::showProgramming);
    connect(&m_session, &TerminalSession::progressChanged, this,
            [this](int maximum, int value) { m_area.setProgress(maximum, value); });
    connect(&m_session, &TerminalSession::closeResumed, this, &QWidget::close);
}

void frmTerminal::connectControls()
{
    m_area.client->installEventFilter(this);
    m_area.txtTerm->setKeyPressHandler([this](quint16 &key) { txtTerm_KeyPress(key); });
    m_area.txtTerm->setBeforeLocalEdit([this] { drawNow(); });
    m_area.txtTerm->setLocalEditHandler([this](qsizetype position, qsizetype length, const QString &with) {
        m_session.viewEdited(position, length, with);
        drawReceiveViews();
    });
    connect(m_area.imgConnected, &ClickableLabel::clicked, this, &frmTerminal::mnuOpen_Click);
    connect(m_area.imgNotConnected, &ClickableLabel::clicked, this, &frmTerminal::mnuOpen_Click);
    connect(m_area.cboPort, &QComboBox::activated, this, &frmTerminal::cboPort_Click);
    connect(m_area.cboSpeed, &QComboBox::activated, this, &frmTerminal::cboSpeed_Click);
    connect(m_area.sbrStatus, &ClickableLabel::clicked, this, &frmTerminal::sbrStatus_PanelClick);
    connect(m_area.cmdCancelSend, &QPushButton::clicked, this, &frmTerminal::cmdCancelSend_Click);
}

bool frmTerminal::event(QEvent *event)
{
    // The window paints its changed widgets on this request: the dearer half of a draw.
    if (event->type() != QEvent::UpdateRequest || !m_paintPending)
        return QMainWindow::event(event);
    QElapsedTimer paint;
    paint.start();
    const bool handled = QMainWindow::event(event);
    m_pacer.painted(double(paint.nsecsElapsed()) / 1e6);
    m_paintPending = false;
    return handled;
}

bool frmTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area.client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}
