// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TerminalSession.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

// Types the scripted keys one at a time, each once the console sleeps waiting for it, the way a
// user at the board would; the console itself runs inside toggleProgramming.
class KeyTyper : public QObject
{
public:
    KeyTyper(TerminalSession &session, const QString &keys)
        : m_session(session)
    {
        for (QChar c : keys)
            m_keys.push_back(c == QLatin1Char('\n') ? 13 : c.unicode());
        // A key typed during a chip wait would be discarded, so the script never does that.
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { m_waiting = m_session.consoleAtPrompt(); });
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] { typeNext(); });
        m_timer.start();
    }
    std::function<void(int index)> beforeKey; // sees the terminal as the user does before each key

private:
    void typeNext()
    {
        if (!std::exchange(m_waiting, false) || m_keys.empty())
            return;
        if (beforeKey)
            beforeKey(m_typed++);
        const quint16 key = m_keys.front();
        m_keys.pop_front();
        m_session.typeKey(key);
    }

    TerminalSession &m_session;
    std::deque<quint16> m_keys;
    int m_typed = 0;
    bool m_waiting = false;
    QTimer m_timer;
};
