// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "settings/Properties.h"
#include "widgets/TwipsLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <functional>

class QGroupBox;
class QLabel;

// "CommPort Properties": shows the values it is given and hands back what the user chose. Edits of
// the text-transfer values are handed on as they are made, so that the rest of the program sees
// them at once; OK hands back everything to be applied and stored, Cancel has the edits discarded.
// Either way the dialog is done and its owner destroys it; a refused OK leaves it as it is.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        Properties shown; // the port's live settings, the echo and the values, as they are
        std::function<QString(int port)> describePort;
        std::function<void(const PropertyValues &values)> edited;
        std::function<Failure(const Properties &chosen)> apply; // a refusal has been shown
        std::function<void()> discard;
    };

    explicit frmProperties(Context context, QWidget *parent = nullptr);

    void LoadPropertySettings();
    // True when everything was applied and stored; the dialog is then done.
    bool cmdOK_Click();
    void cmdCancel_Click();

    // What OK hands back.
    Properties choices() const;

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
    PropertyValues values() const;
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
