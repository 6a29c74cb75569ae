// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "log/LogCommands.h"
#include "session/ReceiveViews.h"
#include "session/TerminalText.h"

#include <QObject>

class PropertiesModel;
struct AppState;

// What arrives, on its way to the view and the log: the end-of-line watch of the text sender,
// the bytes held while programming mode has the port, ShowData's text and the optional views.
class ReceivePipeline : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore &store;
        MessageBox &messages;
        FileDialog &files;
        ReceiveViews::Clock clock;
    };

    ReceivePipeline(Services services, const AppState &app, PropertiesModel &properties, QObject *parent = nullptr);

    // One notification of the port: every byte of it, once, in order.
    void MSComm1_OnComm(const QByteArray &bytes);
    // The one road into the view and the log: the board's text and the console's.
    void ShowData(QString &Data);
    // An edit the view made by itself (typing with the port closed or with local echo).
    void viewEdited(qsizetype position, qsizetype length, const QString &with);

    // The end-of-line character the text sender waits for, seen since it last cleared it.
    bool eolReceived() const { return m_eolReceived; }
    void clearEolReceived() { m_eolReceived = false; }

    // The log. Opening gives the window's caption, or nothing when it did not open.
    std::optional<QString> openLog();
    QString closeLog();
    bool logOpen() const { return m_log.isOpen(); }

    // The View menu; the store keeps each choice, a store that could not is said.
    void loadViews(const ReceiveViews::Shown &shown) { m_views.load(shown, m_text.text()); }
    Failure setTimeStamps(bool on) { return m_views.setTimeStamps(on, m_text.text()); }
    Failure setHexView(bool on) { return m_views.setHexView(on); }
    Failure setPlot(bool on) { return m_views.setPlot(on); }
    const ReceiveViews &views() const { return m_views; }
    PlotModel *plot() { return m_views.plot(); }

    // What the view draws, and what changed in it since it last drew.
    const QString &text() const { return m_text.text(); }
    bool textChangedSinceDrawn() const { return m_text.changed(); }
    TerminalText::Change takeTextChange() { return m_text.takeChange(); }

signals:
    void textChanged(); // ShowData changed the view's text

private:
    Services m_services;
    const AppState &m_app;
    PropertiesModel &m_properties;
    LogCommands m_log{m_services.files, m_services.messages};
    TerminalText m_text;
    ReceiveViews m_views{m_services.store, m_services.clock};
    QByteArray m_held; // arrived in programming mode, shown with the first notification after it
    bool m_eolReceived = false;
};
