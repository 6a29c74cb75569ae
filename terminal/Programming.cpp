#include "terminal/frmTerminal.h"

#include "programmer/ChipError.h"
#include "terminal/AppState.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

void frmTerminal::mmuReset_Click()
{
    try {
        (void)MSComm1->setDTREnable(true);
        Delay(100);
        (void)MSComm1->setDTREnable(false);
        Delay(500);
    } catch (const ChipError &error) {
        m_services.messages.warn(error.description());
    }
    quint16 space = 32;
    txtTerm_KeyPress(space);
}

void frmTerminal::mmuProg_Click()
{
    AppState &app = appState();
    QPalette palette = txtTerm->palette();
    if (!app.ProgMode) {
        palette.setColor(QPalette::Base, Qt::black);
        txtTerm->setPalette(palette);
        app.ProgMode = true;
        app.ConsoleKey = 1;
        (void)MSComm1->setDTREnable(true);
        EnableMenuSystem(false);
        m_console.ConsoleLoop();
        return;
    }
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    txtTerm->setPalette(palette);
    app.ProgMode = false;
    EnableMenuSystem(true);
    (void)MSComm1->setDTREnable(false);
    app.DataSpace = true;
}

void frmTerminal::leaveProgrammingMode()
{
    if (appState().ProgMode)
        mmuProg_Click();
}

void frmTerminal::cmdCancelSend_Click()
{
    appState().CancelSend = true;
}

void frmTerminal::print(const QString &text)
{
    QString data = text;
    ShowData(txtTerm, data);
}

void frmTerminal::setTextColour(const QColor &colour)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Text, colour);
    txtTerm->setPalette(palette);
}

std::optional<QString> frmTerminal::chooseFile(const FileDialog::Request &request)
{
    return m_services.files.open(request);
}

void frmTerminal::showDownloadControls(bool visible)
{
    cmdCancelSend->setVisible(visible);
    prgSend->setVisible(visible);
}

void frmTerminal::setProgress(int maximum, int value)
{
    if (maximum >= 0)
        prgSend->setMaximum(maximum);
    prgSend->setValue(value);
}
