// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/CommandStates.h"

#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;

// The window's commands as the user meets them: the menus' items and the toolbar's buttons, each
// made from one table, found by name ("mnuOpen") or by key ("Prog"), and all set from the one
// rule over the session's facts.
class CommandBar
{
public:
    CommandBar(QMenuBar *menus, QToolBar *toolBar);

    QAction *item(const QString &name) const;  // a menu item, or a menu of the bar by its name
    QAction *button(const QString &key) const; // a toolbar button
    QMenu *menu(const QString &name) const;

    void show(const CommandStates &s);

private:
    void buildMenus();
    void buildToolBar();

    QMenuBar *m_menus;
    QToolBar *m_toolBar;
};
