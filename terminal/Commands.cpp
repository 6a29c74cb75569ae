#include "terminal/frmTerminal.h"

#include "about/SysInfo.h"
#include "about/frmAbout.h"

void frmTerminal::mmuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_services.messages, SysInfoTools::native(), this);
    m_about->show();
    m_about->raise();
}

void frmTerminal::mnuOpenLog_Click()
{
    drawNow(); // the screen shows what the log will follow on from
    if (const auto state = m_log.mnuOpenLog_Click()) {
        setWindowTitle(state->caption);
        EnableMenuSystem();
    }
}

void frmTerminal::mnuCloseLog_Click()
{
    drawNow();
    setWindowTitle(m_log.mnuCloseLog_Click().caption);
    EnableMenuSystem();
}

void frmTerminal::transferChanged(bool running)
{
    m_transferRunning = running;
    EnableMenuSystem();
}

void frmTerminal::setLastTextFile(const QString &path)
{
    LastTextFile = path;
    EnableMenuSystem();
}
