#pragma once

#include "serial/MSComm.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class ClickableLabel;
class FileDialog;
class MessageBox;
class QAction;
class QComboBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QWidget;
class SettingsStore;
class TerminalView;
class frmProperties;

// The main window: the terminal view, the serial port and every command.
class frmTerminal : public QMainWindow
{
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Tavro Terminal");
    static constexpr int kDesignClientWidth = 9150; // twips
    static constexpr int kDesignClientHeight = 6825;
    static constexpr int kViewSoftLimit = 16000;
    static constexpr int kViewTrimBlock = 4096;

    struct Services
    {
        SettingsStore &store;
        MessageBox &messages;
        FileDialog &files;
        MSComm::DeviceFactory openDevice;
        std::function<QString(int port)> describePort;
    };

    explicit frmTerminal(Services services, QWidget *parent = nullptr);
    ~frmTerminal() override;

    // Start-up and shut-down.
    void Form_Unload(bool &Cancel);
    void mnuFileExit_Click();

    // Port connection and status.
    void mnuOpen_Click();
    void cboPort_Click(int index);
    void sbrStatus_PanelClick();
    void EnableMenuSystem(const bool &e);

    // Receive path and keyboard.
    void MSComm1_OnComm();
    void ShowData(TerminalView *Term, QString &Data);
    void txtTerm_KeyPress(quint16 &KeyAscii);

    // Commands.
    void tbrToolBar_ButtonClick(const QString &key);
    void mnuProperties_Click();

    // The Properties dialog, created hidden on first use.
    frmProperties &properties();

    MSComm &comm() { return *MSComm1; }
    TerminalView *view() const { return txtTerm; }
    QAction *toolButton(const QString &key) const;
    QAction *menuItem(const QString &name) const;
    QString statusText() const;
    QString LastTextFile;
    bool EOLReceived = false;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildClientArea();
    void Form_Load();
    void loadWindowSize();
    bool applyStoredPort();
    void loadTransferSettings();
    void Form_Resize();
    void showPortState();
    void setStatusText(const QString &text);
    void onPortLost(const QString &description);
    QString readSetting(const QString &key, const QString &defaultValue) const;
    void writeSetting(const QString &key, const QString &value);

    Services m_services;
    std::unique_ptr<MSComm> MSComm1;
    QPointer<frmProperties> m_properties;
    bool m_unloadCancel = false;
    std::function<Failure(const QString &)> m_logWriter; // set while a log is open

    QWidget *m_client = nullptr;
    QToolBar *tbrToolBar = nullptr;
    TerminalView *txtTerm = nullptr;
    ClickableLabel *sbrStatus = nullptr;
    QWidget *Frame1 = nullptr;
    ClickableLabel *imgConnected = nullptr;
    ClickableLabel *imgNotConnected = nullptr;
    QComboBox *cboPort = nullptr;
    QComboBox *cboSpeed = nullptr;
    QProgressBar *prgSend = nullptr;
    QPushButton *cmdCancelSend = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuPort = nullptr;
    QAction *mmuAbout = nullptr;
};
