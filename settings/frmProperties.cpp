// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/frmProperties.h"

#include "serial/MSComm.h"
#include "widgets/TwipsLayout.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>

namespace {

constexpr QSize kClientTwips(6255, 7305);

int checkValue(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

frmProperties::frmProperties(Context context, QWidget *parent)
    : QDialog(parent)
    , m_context(std::move(context))
{
    setWindowTitle(QStringLiteral("CommPort Properties"));
    buildControls();
    Form_Load();
}

QLabel *frmProperties::label(QWidget *parent, const QString &text, int l, int t, int w, int h)
{
    auto *lbl = make<QLabel>(parent, l, t, w, h);
    lbl->setText(text);
    return lbl;
}

QGroupBox *frmProperties::frame(QWidget *parent, const QString &title, int l, int t, int w, int h)
{
    auto *box = make<QGroupBox>(parent, l, t, w, h);
    box->setTitle(title);
    return box;
}

void frmProperties::buildControls()
{
    auto *tabSettings = make<QTabBar>(this, 90, 105, 5820, 360);
    tabSettings->addTab(QStringLiteral("Properties"));
    auto *tabPage = make<QFrame>(this, 90, 465, 5820, 6600);
    tabPage->setFrameShape(QFrame::StyledPanel);

    auto *fraSettings = make<QWidget>(this, 255, 570, 5445, 3495);
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    label(fraSettings, QStringLiteral("Port:"), 330, 180, 495, 315);
    cboPort = make<QComboBox>(fraSettings, 900, 150, 1425, 315);
    auto *cmdOK = make<QPushButton>(fraSettings, 4335, 705, 1080, 300);
    cmdOK->setText(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    auto *cmdCancel = make<QPushButton>(fraSettings, 4335, 1065, 1080, 300);
    cmdCancel->setText(QStringLiteral("Cancel"));
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);

    auto *frame1 = frame(fraSettings, QStringLiteral("Maximum Speed"), 180, 630, 2340, 870);
    cboSpeed = make<QComboBox>(frame1, 375, 330, 1695, 315);
    cboSpeed->setEditable(true); // any rate the device takes, not only the listed ones

    auto *frame7 = frame(fraSettings, QStringLiteral("&Echo"), 2595, 630, 1590, 870);
    optEcho[0] = make<QRadioButton>(frame7, 135, 360, 615, 315);
    optEcho[1] = make<QRadioButton>(frame7, 795, 360, 615, 315);
    optEcho[0]->setText(QStringLiteral("Off"));
    optEcho[1]->setText(QStringLiteral("On"));

    auto *fraConnection = frame(fraSettings, QStringLiteral("Connection Preferences"), 180, 1635, 2325, 1770);
    label(fraConnection, QStringLiteral("Data Bits:"), 180, 375, 825, 285);
    cboDataBits = make<QComboBox>(fraConnection, 1050, 330, 1140, 315);
    label(fraConnection, QStringLiteral("Parity:"), 180, 855, 615, 285);
    cboParity = make<QComboBox>(fraConnection, 1050, 810, 1140, 315);
    label(fraConnection, QStringLiteral("Stop Bits:"), 180, 1320, 885, 285);
    cboStopBits = make<QComboBox>(fraConnection, 1050, 1260, 1140, 315);

    auto *frame5 = frame(fraSettings, QStringLiteral("&Flow Control"), 2595, 1635, 1620, 1770);
    const QStringList flows{QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"),
                            QStringLiteral("Xon/RTS")};
    for (int i = 0; i < 4; ++i) {
        optFlow[i] = make<QRadioButton>(frame5, 180, 345 + 300 * i, 1300, 255);
        optFlow[i]->setText(flows[i]);
        connect(optFlow[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optFlow_Click(i);
        });
    }
    for (int i = 0; i < 2; ++i)
        connect(optEcho[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optEcho_Click(i);
        });

    auto *frame2 = frame(fraSettings, QStringLiteral("ICP"), 4320, 1635, 1095, 1770);
    frame2->setToolTip(QStringLiteral("This may need to be checked for RS232 interface"));
    chkRTS = make<QCheckBox>(frame2, 120, 240, 855, 255);
    chkRTS->setText(QStringLiteral("RTS"));

    buildTextSettings();
}

void frmProperties::buildTextSettings()
{
    auto *fra = frame(this, QStringLiteral("Text Transfer Settings"), 480, 4200, 5175, 2655);
    chkWaitFor = make<QCheckBox>(fra, 240, 360, 2415, 255);
    chkWaitFor->setText(QStringLiteral("End of line wait for character"));
    txtEOLChar = make<QLineEdit>(fra, 3120, 360, 855, 285);
    chkLineDelay = make<QCheckBox>(this, 720, 5040, 2415, 255);
    chkLineDelay->setText(QStringLiteral("End of line wait delay ms"));
    txtLineDelay = make<QLineEdit>(this, 3600, 5040, 855, 285);
    chkStart = make<QCheckBox>(fra, 360, 1440, 2295, 255);
    chkStart->setText(QStringLiteral("At the start of transfer send:"));
    txtStartWord = make<QLineEdit>(fra, 2760, 1440, 2055, 285);
    label(fra, QStringLiteral("for file type"), 240, 1920, 855, 255);
    txtStartFileType = make<QLineEdit>(fra, 1440, 1920, 975, 285);
    label(fra, QStringLiteral("then delay for (ms)"), 2640, 1920, 1335, 255);
    txtStartDelay = make<QLineEdit>(fra, 4080, 1920, 735, 285);
}

void frmProperties::Form_Load()
{
    LoadPropertySettings();
    m_layout.apply(this, kClientTwips); // with the lists filled, each shows its longest item whole
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    // From here on every edit reaches the model at once, as the fields it stands for would.
    for (QCheckBox *box : {chkWaitFor, chkLineDelay, chkStart, chkRTS})
        connect(box, &QCheckBox::toggled, this, &frmProperties::editModel);
    for (QLineEdit *field : {txtEOLChar, txtLineDelay, txtStartWord, txtStartFileType, txtStartDelay})
        connect(field, &QLineEdit::textChanged, this, &frmProperties::editModel);
}

void frmProperties::fillPortList(QComboBox *list, const std::function<QString(int port)> &describePort)
{
    for (int port = 1; port <= MSComm::kPortCount; ++port) {
        list->addItem(QStringLiteral("Com%1").arg(port));
        if (describePort)
            list->setItemData(port - 1, describePort(port), Qt::ToolTipRole);
    }
}

void frmProperties::fillSpeedList(QComboBox *list)
{
    list->addItems({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "28800", "38400", "56000",
                    "57600", "115200", "128000", "256000"});
}

void frmProperties::LoadPropertySettings()
{
    fillPortList(cboPort, m_context.describePort);
    fillSpeedList(cboSpeed);
    cboDataBits->addItems({"4", "5", "6", "7", "8"});
    cboParity->addItems({"Even", "Odd", "None", "Mark", "Space"});
    cboStopBits->addItems({"1", "1.5", "2"});

    // The port's format, field by field.
    const Properties &shown = m_context.shown;
    cboSpeed->setCurrentText(shown.speed);
    cboDataBits->setCurrentText(shown.dataBits);
    cboStopBits->setCurrentText(shown.stopBits);
    for (int i = 0; i < cboParity->count(); ++i)
        if (cboParity->itemText(i).left(1).toLower() == shown.parity)
            cboParity->setCurrentIndex(i);
    cboPort->setCurrentIndex(shown.port >= 1 && shown.port <= MSComm::kPortCount ? shown.port - 1 : -1);
    optFlow[shown.flow]->setChecked(true);
    optEcho[shown.echo ? 1 : 0]->setChecked(true);
    showValues(shown.text);
}

void frmProperties::showValues(const PropertyValues &v)
{
    chkWaitFor->setChecked(v.chkWaitFor == 1);
    txtEOLChar->setText(v.txtEOLChar);
    chkLineDelay->setChecked(v.chkLineDelay == 1);
    txtLineDelay->setText(v.txtLineDelay);
    chkStart->setChecked(v.chkStart == 1);
    txtStartWord->setText(v.txtStartWord);
    txtStartFileType->setText(v.txtStartFileType);
    txtStartDelay->setText(v.txtStartDelay);
    chkRTS->setChecked(v.chkRTS == 1);
}

PropertyValues frmProperties::values() const
{
    return {checkValue(chkWaitFor),   txtEOLChar->text(),    checkValue(chkLineDelay),
            txtLineDelay->text(),     checkValue(chkStart),  txtStartWord->text(),
            txtStartFileType->text(), txtStartDelay->text(), checkValue(chkRTS)};
}

void frmProperties::editModel()
{
    if (m_context.edited)
        m_context.edited(values());
}

Properties frmProperties::choices() const
{
    return {cboPort->currentIndex() + 1,
            cboSpeed->currentText(),
            cboParity->currentText().left(1),
            cboDataBits->currentText(),
            cboStopBits->currentText(),
            m_flowChoice,
            m_echoChoice,
            values()};
}

bool frmProperties::cmdOK_Click()
{
    if (m_context.apply(choices()))
        return false;
    done();
    return true;
}

void frmProperties::cmdCancel_Click()
{
    done();
}

void frmProperties::done()
{
    if (m_context.discard)
        m_context.discard();
    hide();
    emit finishedWith();
}
