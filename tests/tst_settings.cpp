// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalFixture.h"
#include "prog/CommandLine.h"
#include "settings/frmProperties.h"

#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

// What is stored, what start-up makes of it, and the Properties dialog that edits it.
class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<TerminalFixture>();
        m_f->store.entries.clear(); // the store as a first run finds it
    }

    void storeRoundTripsAcrossInstancesAndLetterCase()
    {
        QTemporaryDir dir;
        const QString app = QStringLiteral("Tavro Terminal");
        const QStringList values{"1", " a, b ", "9600,n,8,1.5", "C:\\path with space\\x.dlx"};
        {
            QSettingsStore store(dir.path());
            QVERIFY(!store.WriteSetting(app, "Properties", "TextEOLcheck", values[0]));
            QVERIFY(!store.WriteSettings(
                app, "Properties",
                {{"StartTransferWord", values[1]}, {"Settings", values[2]}, {"LastTextFile", values[3]}}));
        }
        QSettingsStore store(dir.path());
        QCOMPARE(store.ReadSettings(app, "properties",
                                    {{"TextEOLCheck", "x"},
                                     {"STARTTRANSFERWORD", "x"},
                                     {"Settings", "x"},
                                     {"LastTextFile", "x"},
                                     {"Missing", "default"}}),
                 values + QStringList{"default"});
        QVERIFY(!store.WriteSetting(app, "Properties", "TEXTEOLCHECK", "0"));
        QCOMPARE(store.ReadSetting(app, "Properties", "TextEOLcheck", "x"), QStringLiteral("0"));

        // Edited by hand, in the letter case the keys are known by; the next write replaces them.
        QFile ini(dir.filePath(app + ".ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate)
                && ini.write("[Properties]\nCommPort=16\nTextRTScheck=1\n") > 0);
        ini.close();
        QSettingsStore edited(dir.path());
        const StoredDefaults defaults = StoredDefaults::read(edited); // tavro-prog's reading
        QVERIFY(defaults.port == "Com16" && defaults.invertData);
        QVERIFY(!edited.WriteSetting(app, "Properties", "CommPort", "5"));
        QCOMPARE(edited.ReadSetting(app, "PROPERTIES", "commport", "x"), QStringLiteral("5"));
        QVERIFY(ini.open(QIODevice::ReadOnly) && !ini.readAll().contains("CommPort=16"));
        QVERIFY(edited.warnings().isEmpty());
    }

    void emptyStoreGivesDefaults()
    {
        frmTerminal &w = m_f->start();
        const Properties p = m_f->session->properties();
        QCOMPARE(m_f->session->portSettings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(p.port == 1 && p.flow == 0 && !m_f->session->facts().portOpen);
        QCOMPARE(w.windowTitle(), QStringLiteral("Terminal"));
        QCOMPARE(w.statusText(), QStringLiteral("Settings:"));
        QVERIFY(!p.echo);
        QVERIFY(m_f->messages.shown.isEmpty());
        const PropertyValues &v = p.text;
        QCOMPARE((QStringList{QString::number(v.chkWaitFor), v.txtEOLChar, QString::number(v.chkLineDelay),
                              v.txtLineDelay, QString::number(v.chkStart), v.txtStartWord, v.txtStartFileType,
                              v.txtStartDelay, QString::number(v.chkRTS)}),
                 (QStringList{"1", "6", "1", "50", "0", "LOADB", "*.DLX", "1000", "0"}));
        QCOMPARE(w.width(), frmTerminal::kDesignClientWidth / 15); // the design size, not half the screen
    }

    void storedValuesAreRestored()
    {
        m_f->set("Settings", "115200,E,7,2");
        m_f->set("CommPort", "3");
        m_f->set("Handshaking", "1");
        m_f->set("Echo", "true");
        m_f->set("LastTextFile", "/data/prog.dlx");
        m_f->set("TextEOLcheck", "0");
        m_f->set("StartTransferWord", " go, now ");
        frmTerminal &w = m_f->start();
        const Properties p = m_f->session->properties();
        QCOMPARE(m_f->session->portSettings(), QStringLiteral("115200,e,7,2"));
        QVERIFY(p.port == 3 && p.flow == 1 && p.echo);
        QCOMPARE(w.windowTitle(), QStringLiteral("Send Text > /data/prog.dlx"));
        QCOMPARE(p.text.chkWaitFor, 0);
        QCOMPARE(p.text.txtStartWord, QStringLiteral(" go, now "));
        QVERIFY(w.propertiesDialog().optEcho[1]->isChecked());
        QVERIFY(w.propertiesDialog().cmdOK_Click()); // nothing changed: OK keeps what start-up read
        QCOMPARE(m_f->get("Echo"), QStringLiteral("True"));
    }

    void refusedValuesEndStartUpWithOneMessage()
    {
        // A refused value ends start-up there: nothing after it is taken, the fields still come
        // from the store.
        const QList<std::array<QString, 3>> cases = {{"Settings", "9600,x,8,1", "9600,x,8,1"},
                                                     {"CommPort", "17", "Invalid port number"},
                                                     {"CommPort", "0", "Invalid port number"},
                                                     {"CommPort", "-1", "Invalid port number"}};
        for (const auto &[key, value, message] : cases) {
            m_f = std::make_unique<TerminalFixture>();
            m_f->set(key, value);
            m_f->set("Handshaking", "2");
            m_f->set("LastTextFile", "/tmp/a.dlx");
            m_f->set("Echo", "True");
            TerminalSession &s = m_f->startSession();
            QCOMPARE(m_f->messages.shown.size(), 1);
            QVERIFY(m_f->messages.shown[0].text.contains(message));
            QCOMPARE(m_f->messages.shown[0].icon, MessageBox::Icon::Exclamation);
            const Properties p = s.properties();
            QVERIFY(p.port == 1 && p.flow == 0);
            QVERIFY(s.lastTextFile().isEmpty() && !p.echo);
            QCOMPARE(p.text.txtEOLChar, QStringLiteral("6"));
        }
    }

    void unreadableValuesLeaveTheirFieldAsItWas()
    {
        m_f->set("CommPort", "x");
        m_f->set("LineDelayCheck", "abc");
        m_f->set("TextEOLCheck", "5");
        m_f->set("TextRTSCheck", "99999999999999");
        m_f->set("Echo", "maybe");
        m_f->set("FormWidth", "\x01\x02");
        m_f->start();
        const Properties p = m_f->session->properties();
        QCOMPARE(p.port, 1);
        QCOMPARE(p.text.chkLineDelay, 0); // a fresh check box stays clear
        QCOMPARE(p.text.chkWaitFor, 0);
        QCOMPARE(p.text.chkRTS, 0);
        QVERIFY(!p.echo);
        // Numbers out of range are said once, in one message; text that is no number is not.
        QCOMPARE(m_f->shownTexts(),
                 QStringList{"memory: [Properties] TextEOLCheck=5 is out of range; 0 is used instead\n"
                             "memory: [Properties] TextRTSCheck=99999999999999 is out of range; "
                             "0 is used instead"});
    }

    void closingSavesSizeAndLastFile()
    {
        // A start-up that stopped at a refused value never read the last file: it stays stored.
        for (const QString settings : {"9600,n,8,1", "9600,x,8,1"}) {
            m_f = std::make_unique<TerminalFixture>();
            m_f->set("Settings", settings);
            m_f->set("LastTextFile", "/data/prog.dlx");
            frmTerminal &w = m_f->start();
            w.resize(700, 500);
            QVERIFY(w.close());
            QCOMPARE(m_f->get("LastTextFile"), QStringLiteral("/data/prog.dlx"));
            QVERIFY(m_f->get("FormWidth").toDouble() >= 700 * 15);
            QCOMPARE(m_f->messages.shown.size(), settings.contains('x') ? 1 : 0); // no wait, no prompt
            const int frameWidth = w.frameGeometry().width();
            frmTerminal &again = m_f->start();
            QCOMPARE(again.frameGeometry().width(), frameWidth);
        }
        // A store that cannot keep them says so, once.
        m_f->store.refusal = "the disk is full";
        QVERIFY(m_f->window->close());
        QCOMPARE(m_f->shownTexts().last(),
                 QStringLiteral("The settings could not be saved to memory: the disk is full"));
    }

    void unwritableStoreSaysWhereAndWhy()
    {
        // A folder the user may not write (root may write anywhere), and a file that is a folder.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("locked") && QDir(dir.path()).mkpath("blocked/Tavro Terminal.ini"));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        for (const char *folder : {"locked", "blocked"}) {
            if (QByteArray(folder) == "locked" && ::geteuid() == 0)
                continue;
            QSettingsStore store(dir.filePath(folder));
            const Failure failure = store.WriteSetting("Tavro Terminal", "Properties", "Echo", "True");
            QVERIFY2(failure && failure->startsWith("The settings could not be saved to " + dir.filePath(folder))
                         && !failure->endsWith(": "),
                     qPrintable(failure.value_or("saved")));
        }
    }

    void dialogShowsTheLivePortSettings()
    {
        // The stored text, and the dialog's speed, parity, data bits and stop bits.
        const QList<std::pair<QString, QStringList>> cases = {{"9600,n,8,1", {"9600", "None", "8", "1"}},
                                                              {"115200,O,7,1.5", {"115200", "Odd", "7", "1.5"}},
                                                              {"300,m,5,2", {"300", "Mark", "5", "2"}},
                                                              {"921600,s,6,1", {"921600", "Space", "6", "1"}},
                                                              {"110,E,8,1", {"110", "Even", "8", "1"}}};
        for (const auto &[settings, shown] : cases) {
            m_f->set("Settings", settings);
            frmProperties &d = m_f->start().propertiesDialog();
            QCOMPARE((QStringList{d.cboSpeed->currentText(), d.cboParity->currentText(), d.cboDataBits->currentText(),
                                  d.cboStopBits->currentText()}),
                     shown);
        }
    }

    void okStoresEveryValueForTheNextStartCancelDiscards()
    {
        m_f->start();
        frmProperties &cancelled = m_f->window->propertiesDialog();
        cancelled.txtStartWord->setText("CHANGED");
        QCOMPARE(m_f->session->properties().text.txtStartWord, QStringLiteral("CHANGED")); // edits apply at once
        cancelled.cmdCancel_Click();
        QCOMPARE(m_f->session->properties().text.txtStartWord, QStringLiteral("LOADB"));
        QCOMPARE(m_f->get("StartTransferWord"), QStringLiteral("<none>"));

        // Every value the dialog shows, none at its default: OK, then a fresh start from the store
        // shows each again. Check states are stored under the keys as written (TextEOLcheck, ...).
        const Properties chosen{3,   "115200", "o",  "7",
                                "2", 2,        true, {0, "62", 0, "25", 1, " LOAD, B ", "*.BAS", "250", 1}};
        TerminalSession &s = *m_f->session;
        frmProperties d({chosen,
                         {},
                         [&s](const PropertyValues &v) { s.editProperties(v); },
                         [&s](const Properties &p) { return s.applyProperties(p); },
                         [&s] { s.discardProperties(); }});
        QVERIFY(d.cmdOK_Click());
        QVERIFY(m_f->messages.shown.isEmpty());
        QVERIFY(m_f->get("TextEOLCheck") == "0" && m_f->get("TextRTSCheck") == "1");
        m_f->startSession();
        QCOMPARE(m_f->session->properties(), chosen);
        QCOMPARE(m_f->session->portSettings(), QStringLiteral("115200,o,7,2"));
    }

    void failedPortChangeStoresNothingAndShowsThePortAsItIs()
    {
        frmTerminal &w = m_f->open(16);
        QVERIFY(m_f->session->facts().portOpen);
        frmProperties &d = w.propertiesDialog();
        d.optEcho[1]->setChecked(true);
        d.cboPort->setCurrentIndex(4); // Com5 names no device
        QVERIFY(!d.cmdOK_Click());
        QCOMPARE(m_f->messages.shown.size(), 1);
        QCOMPARE(m_f->session->properties().port, 16);
        QVERIFY(!m_f->session->facts().portOpen);
        for (const char *button : {"Prog", "TransmitTextFile"})
            QVERIFY2(!w.toolButton(button)->isEnabled(), button);
        QVERIFY(!w.menuItem("mnuOpen")->isChecked() && !w.menuItem("mnuSendText")->isEnabled());
        QCOMPARE(w.statusText(), QStringLiteral("Settings: "));
        QVERIFY(m_f->session->properties().echo);             // applied first, kept
        QCOMPARE(m_f->get("Echo"), QStringLiteral("<none>")); // but not stored
    }

    void portChangesReopenAnOpenPortSpeedChangesKeepIt()
    {
        m_f->devices[1] = "/nonexistent/tty";
        frmTerminal &w = m_f->start(1);
        w.propertiesDialog().cboPort->setCurrentIndex(15);
        QVERIFY(w.propertiesDialog().cmdOK_Click());
        QCOMPARE(m_f->session->properties().port, 16);
        w.menuItem("mnuOpen")->trigger();
        QVERIFY(m_f->session->facts().portOpen);
        emit w.findChild<QComboBox *>("cboPort")->activated(15); // the same port from the main list:
        QVERIFY(m_f->session->facts().portOpen);                 // applies the settings, keeps the port
        QCOMPARE(m_f->get("CommPort"), QStringLiteral("16"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w.propertiesDialog().cboSpeed->setCurrentText("57600");
        QVERIFY(w.propertiesDialog().cmdOK_Click());
        QVERIFY(m_f->session->facts().portOpen);
        QCOMPARE(m_f->session->portSettings(), QStringLiteral("57600,n,8,1"));
    }

private:
    std::unique_ptr<TerminalFixture> m_f;
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
