#include "terminal/frmTerminal.h"

#include "common/UserDialogs.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QProgressBar>

void frmTerminal::mmuReset_Click()
{
    m_properties.values(); // read before the lines move, not in the middle of the pulse
    if (Failure failure = m_target.pulseReset())
        m_services.messages.warn(*failure);
    quint16 space = 32;
    txtTerm_KeyPress(space);
}

void frmTerminal::mmuProg_Click()
{
    if (m_app.ProgMode) {
        leaveProgramming(); // the console's X
        return;
    }
    enterProgramming();
    m_console.ConsoleLoop(); // until programming mode ends
    // Ended by a close or a lost port: the console has stopped clocking, now the chip goes free.
    if (m_holdingTarget)
        leaveProgramming();
    if (m_closeWhenIdle)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmTerminal::enterProgramming()
{
    m_properties.values(); // the console's chip operations read the values, never the store
    drawNow();             // what came before is on the screen before the console speaks
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Base, Qt::black);
    txtTerm->setPalette(palette);
    m_app.ProgMode = true;
    m_app.ConsoleKey = 1;
    (void)m_target.holdInReset();
    m_holdingTarget = true;
    EnableMenuSystem();
}

void frmTerminal::leaveProgramming()
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    txtTerm->setPalette(palette);
    setTextColour(kReceivedTextColour);
    m_app.ProgMode = false;
    m_target.release();
    m_holdingTarget = false;
    EnableMenuSystem();
    m_app.DataSpace = true;
}

void frmTerminal::stopProgramming()
{
    // The console and its download see this at their next step and return; the chip stays held
    // until they have.
    m_app.ProgMode = false;
    m_app.CancelSend = true;
}

void frmTerminal::leaveProgrammingMode()
{
    if (m_app.ProgMode)
        mmuProg_Click();
}

void frmTerminal::cmdCancelSend_Click()
{
    m_app.CancelSend = true;
}

void frmTerminal::print(const QString &text)
{
    QString data = text;
    ShowData(txtTerm, data);
}

void frmTerminal::setTextColour(quint32 rgb)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(rgb));
    txtTerm->setPalette(palette);
}

std::optional<QString> frmTerminal::chooseFile(const FileDialog::Request &request)
{
    return m_services.files.open(request);
}

void frmTerminal::setDownloadRunning(bool running)
{
    m_downloadRunning = running;
    EnableMenuSystem();
}

void frmTerminal::setProgress(int maximum, int value)
{
    if (maximum >= 0)
        prgSend->setMaximum(maximum);
    prgSend->setValue(value);
}
