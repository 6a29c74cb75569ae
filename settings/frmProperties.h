// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/TwipsLayout.h"
#include "settings/ApplyProperties.h"
#include "settings/PropertiesModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <functional>

class MSComm;
class QGroupBox;
class QLabel;
class MessageBox;
class SettingsStore;
struct AppState;

// "CommPort Properties": a view of the port's live settings and of the properties model. Edits go
// into the model as they are made; OK applies the port's choices and stores everything, Cancel
// discards the model's edits. Either way the dialog is done and its owner destroys it.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        MSComm &comm;
        SettingsStore &store;
        MessageBox &messages;
        AppState &app;
        PropertiesModel &model;
        std::function<QString(int port)> describePort;
        // After OK touched the port, whether it succeeded or not: the window shows it as it is.
        std::function<void()> portChanged;
    };

    explicit frmProperties(Context context, QWidget *parent = nullptr);

    void LoadPropertySettings();
    // True when everything was applied and stored; the dialog is then done.
    bool cmdOK_Click();
    void cmdCancel_Click();

    // What OK applies to the port.
    PortChoices choices() const;

    QComboBox *cboPort, *cboSpeed, *cboDataBits, *cboParity, *cboStopBits;
    QCheckBox *chkWaitFor, *chkLineDelay, *chkStart, *chkRTS;
    QLineEdit *txtEOLChar, *txtLineDelay, *txtStartWord, *txtStartFileType, *txtStartDelay;
    std::array<QRadioButton *, 4> optFlow;
    std::array<QRadioButton *, 2> optEcho;

    // The port and speed lists, as this dialog and the main window's toolbar both show them.
    static void fillPortList(QComboBox *list, const std::function<QString(int port)> &describePort);
    static void fillSpeedList(QComboBox *list);

    void reject() override { cmdCancel_Click(); } // Escape and the close box act as Cancel

signals:
    // OK succeeded or Cancel: the owner destroys the dialog.
    void finishedWith();

private:
    void Form_Load();
    void buildControls();
    void buildTextSettings();
    void showValues(const PropertyValues &v);
    void editModel();
    void optFlow_Click(int index) { m_flowChoice = index; }
    void optEcho_Click(int index) { m_echoChoice = index == 1; }
    void done();
    template <typename W>
    W *make(QWidget *parent, int l, int t, int w, int h)
    {
        return m_layout.place(new W(parent), l, t, w, h);
    }
    QLabel *label(QWidget *parent, const QString &text, int l, int t, int w, int h);
    QGroupBox *frame(QWidget *parent, const QString &title, int l, int t, int w, int h);

    Context m_context;
    TwipsLayout m_layout;
    int m_flowChoice = 0;
    bool m_echoChoice = false;
};
