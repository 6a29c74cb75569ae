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
    QPalette palette = txtTerm->palette();
    if (!m_app.ProgMode) {
        m_properties.values(); // the console's chip operations read the values, never the store
        drawNow();             // what came before is on the screen before the console speaks
        palette.setColor(QPalette::Base, Qt::black);
        txtTerm->setPalette(palette);
        m_app.ProgMode = true;
        m_app.ConsoleKey = 1;
        (void)m_target.holdInReset();
        EnableMenuSystem();
        m_console.ConsoleLoop();
        return;
    }
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    txtTerm->setPalette(palette);
    m_app.ProgMode = false;
    EnableMenuSystem();
    m_target.release();
    m_app.DataSpace = true;
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
