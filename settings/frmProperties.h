#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <functional>

class MSComm;
class MessageBox;
class SettingsStore;

// "CommPort Properties": edits every persisted setting, applies the port settings to the live
// port on OK and stores them. While it exists (hidden or shown) its fields are where the rest of
// the program reads the text-transfer and programmer settings.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        MSComm &comm;
        SettingsStore &store;
        MessageBox &messages;
        std::function<QString(int port)> describePort;
        // After a port change reopened the port: the main window shows the open state it reports.
        std::function<void(bool open)> portReopened;
    };

    explicit frmProperties(Context context, QWidget *parent = nullptr);

    void LoadPropertySettings();
    // True when everything was applied and stored; the dialog then closes.
    bool cmdOK_Click();
    void cmdCancel_Click();

    QComboBox *cboPort, *cboSpeed, *cboDataBits, *cboParity, *cboStopBits;
    QCheckBox *chkWaitFor, *chkLineDelay, *chkStart, *chkRTS;
    QLineEdit *txtEOLChar, *txtLineDelay, *txtStartWord, *txtStartFileType, *txtStartDelay;
    std::array<QRadioButton *, 4> optFlow;
    std::array<QRadioButton *, 2> optEcho;

    static int checkValue(const QCheckBox *box) { return box->isChecked() ? 1 : 0; }
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
    void optFlow_Click(int index) { m_flowChoice = index; }
    void optEcho_Click(int index) { m_echoChoice = index == 1; }
    bool applyPortNumber(QString &error);
    void storeSettings();
    void loadCheck(QCheckBox *box, const QString &key, const QString &defaultValue);
    QString read(const QString &key, const QString &defaultValue) const;

    Context m_context;
    int m_flowChoice = 0;
    bool m_echoChoice = false;
};
