// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/CommandBar.h"

#include "terminal/Icons.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

struct Item
{
    const char *name; // nullptr: a separator
    const char *caption;
    bool checkable = false;
};

struct Menu
{
    const char *name;
    const char *caption;
    std::initializer_list<Item> items;
};

// In the order of the menu bar; "&About" is an item of the bar itself.
const Menu kMenus[] = {
    {"mnuFile",
     "&File",
     {{nullptr, nullptr}, // M3 opens the menu
      {"mnuSendText", "&Transmit Text File..."},
      {"mnuResendTextFile", "&Re-transmit Text File"},
      {nullptr, nullptr},
      {"mnuOpenLog", "&Open Log File"},
      {"mnuCloseLog", "C&lose Log File"},
      {"mnuSavePlot", "Save &Plot..."},
      {"mnuFileExit", "E&xit"}}},
    {"mnuPort",
     "&CommPort",
     {{"mnuOpen", "Port &Open", true},
      {"mnuReconnect", "&Reconnect Automatically", true},
      {nullptr, nullptr},
      {"mnuProperties", "Properties..."}}},
    {"mnuView",
     "&View",
     {{"mnuTimeStamps", "&Time Stamps", true}, {"mnuHex", "&Hex", true}, {"mnuPlot", "&Plot", true}}},
};

struct Button
{
    const char *key; // nullptr: a separator
    const char *hint;
    const char *description;
    Icons::Kind icon;
};

const Button kButtons[] = {
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

} // namespace

CommandBar::CommandBar(QMenuBar *menus, QToolBar *toolBar)
    : m_menus(menus)
    , m_toolBar(toolBar)
{
    buildMenus();
    buildToolBar();
}

void CommandBar::buildMenus()
{
    for (const Menu &m : kMenus) {
        QMenu *menu = m_menus->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(m.name));
        menu->setSeparatorsCollapsible(false);
        for (const Item &i : m.items) {
            if (!i.name) {
                menu->addSeparator();
                continue;
            }
            QAction *action = menu->addAction(QString::fromLatin1(i.caption));
            action->setObjectName(QString::fromLatin1(i.name));
            action->setCheckable(i.checkable);
        }
    }
    m_menus->addAction(QStringLiteral("&About"))->setObjectName(QStringLiteral("mmuAbout"));
}

void CommandBar::buildToolBar()
{
    QAction *first = m_toolBar->addSeparator();
    first->setToolTip(QStringLiteral("Sends H/W Reset to CPU then space to allow autobaud"));
    for (const Button &b : kButtons) {
        if (!b.key) {
            m_toolBar->addSeparator();
            continue;
        }
        // Only the hint is a tooltip, and a button without one has none: the action has no text
        // to fall back on. Its description is what "What's This?" tells.
        QAction *action = m_toolBar->addAction(Icons::make(b.icon), QString());
        action->setWhatsThis(QString::fromLatin1(b.description));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.hint));
    }
}

QAction *CommandBar::item(const QString &name) const
{
    for (QAction *action : m_menus->actions()) {
        if (action->objectName() == name)
            return action;
        if (QMenu *menu = action->menu())
            for (QAction *inside : menu->actions())
                if (inside->objectName() == name)
                    return inside;
    }
    return nullptr;
}

QMenu *CommandBar::menu(const QString &name) const
{
    const QAction *action = item(name);
    return action ? action->menu() : nullptr;
}

QAction *CommandBar::button(const QString &key) const
{
    for (QAction *action : m_toolBar->actions())
        if (action->objectName() == key)
            return action;
    return nullptr;
}

void CommandBar::show(const CommandStates &s)
{
    for (const char *name : {"mnuFile", "mnuPort", "mnuView", "mmuAbout"})
        item(QString::fromLatin1(name))->setEnabled(s.menus);
    const std::pair<const char *, bool> enabled[] = {{"mnuSendText", s.mnuSendText},
                                                     {"mnuResendTextFile", s.mnuResendTextFile},
                                                     {"mnuOpenLog", s.mnuOpenLog},
                                                     {"mnuCloseLog", s.mnuCloseLog},
                                                     {"mnuSavePlot", s.mnuSavePlot},
                                                     {"OpenLogFile", s.OpenLogFile},
                                                     {"CloseLogFile", s.CloseLogFile},
                                                     {"Properties", s.Properties},
                                                     {"TransmitTextFile", s.TransmitTextFile},
                                                     {"ResendTextFile", s.ResendTextFile},
                                                     {"ResetCPU", s.ResetCPU},
                                                     {"Prog", s.Prog}};
    for (const auto &[name, on] : enabled) {
        QAction *action = item(QString::fromLatin1(name));
        (action ? action : button(QString::fromLatin1(name)))->setEnabled(on);
    }
    item(QStringLiteral("mnuOpen"))->setChecked(s.mnuOpenChecked);
}
