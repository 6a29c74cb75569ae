// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeDialogs.h"
#include "TerminalFixture.h"
#include "about/frmAbout.h"
#include "common/Version.h"
#include "settings/frmProperties.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingLauncher : public ProgramLauncher
{
public:
    QStringList started;
    bool refuse = false;
    bool start(const QString &path) override
    {
        started.append(path);
        return !refuse;
    }
};

// A file in dir with the given content, executable or not.
QString program(const QTemporaryDir &dir, const QString &name, const QByteArray &content, bool executable = true)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    return f.fileName();
}

} // namespace

// The About box and its launcher of the system-information tool.
class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void firstKnownToolOnThePathStarts()
    {
        struct Case
        {
            QStringList first, second; // programs in the first and the second folder of the path; '!': not executable
            bool refused;
            int folder; // where the started one lies: 1 or 2; 0: the unavailable message instead
            QString started;
        };
        const Case cases[] = {
            {{"gnome-system-monitor"}, {"hardinfo"}, false, 2, "hardinfo"}, // a dedicated tool wins
            {{"hardinfo"}, {"hardinfo", "hardinfo2"}, false, 2, "hardinfo2"},
            {{"xfce4-taskmanager"}, {"xfce4-taskmanager"}, false, 1, "xfce4-taskmanager"}, // the path's order
            {{"!hardinfo2", "mate-system-monitor"}, {}, false, 1, "mate-system-monitor"},  // not executable
            {{"sysinfo", "top"}, {}, false, 0, ""},
            {{}, {"kinfocenter"}, true, 0, ""}, // the launch fails
        };
        for (const Case &c : cases) {
            QTemporaryDir one, two;
            for (const auto &[dir, names] : {std::pair{&one, c.first}, std::pair{&two, c.second}})
                for (const QString &name : names)
                    program(*dir, name.mid(name.startsWith('!')), "#!/bin/sh\n", !name.startsWith('!'));
            auto *launcher = new RecordingLauncher;
            launcher->refuse = c.refused;
            FakeMessageBox messages;
            SysInfo info({{one.path(), two.path()}, std::unique_ptr<ProgramLauncher>(launcher)}, messages);
            info.StartSysInfo();
            if (c.folder == 0) {
                QCOMPARE(messages.shown.size(), 1);
                QVERIFY(messages.shown[0].text == "System Information Is Unavailable At This Time"
                        && messages.shown[0].buttons == MessageBox::Buttons::Ok
                        && messages.shown[0].icon == MessageBox::Icon::None);
                continue;
            }
            QCOMPARE(launcher->started, QStringList{(c.folder == 1 ? one : two).filePath(c.started)});
            QVERIFY(messages.shown.isEmpty());
        }
    }

    void toolRunsOnItsOwn()
    {
        QTemporaryDir dir;
        const QString ran = dir.filePath("ran");
        program(dir, "kinfocenter", "#!/bin/sh\ntouch '" + ran.toUtf8() + "'\nsleep 3\n");
        FakeMessageBox messages;
        SysInfo info(SysInfoTools{{dir.path()}, std::make_unique<DetachedLauncher>()}, messages);
        QElapsedTimer clock;
        clock.start();
        info.StartSysInfo();
        QVERIFY(clock.elapsed() < 2000); // not waiting for the tool to end
        QTRY_VERIFY(QFile::exists(ran));
        QVERIFY(messages.shown.isEmpty());
    }

    void boxShowsTheBuildsVersionAndStaysModeless()
    {
        FakeMessageBox messages;
        QTemporaryDir dir;
        const QString tool = program(dir, "hardinfo2", "#!/bin/sh\n");
        auto *launcher = new RecordingLauncher;
        QPointer<frmAbout> box = new frmAbout(messages, {{dir.path()}, std::unique_ptr<ProgramLauncher>(launcher)});
        QCOMPARE(box->windowTitle(), QStringLiteral("About Tavro Terminal"));
        QCOMPARE(box->lblTitle->text(), QStringLiteral("Tavro Terminal"));
        QCOMPARE(box->lblVersion->text(),
                 QStringLiteral("Version %1.%2.%3").arg(Version::kMajor).arg(Version::kMinor).arg(Version::kRevision));
        QCOMPARE(box->lblDescription->text(), QStringLiteral("Terminal and in circuit programmer"));
        QCOMPARE(box->cmdSysInfo->text(), QStringLiteral("&System Info..."));
        box->show();
        QVERIFY(!box->isModal());
        box->cmdSysInfo->click();
        QCOMPARE(launcher->started, QStringList{tool});
        QVERIFY(box->isVisible()); // the box stays after starting the tool
        box->cmdOK->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());
    }

    void windowsShowEveryCaptionWhole()
    {
        FakeMessageBox messages;
        frmAbout about(messages, {{}, std::make_unique<RecordingLauncher>()});
        TerminalFixture f;
        frmProperties &properties = f.start().propertiesDialog();
        for (QWidget *window : {static_cast<QWidget *>(&about), static_cast<QWidget *>(&properties)}) {
            for (QWidget *w : window->findChildren<QWidget *>()) {
                if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w))
                    continue;
                QVERIFY2(TwipsLayout::shortfall(w) <= 1.0, qPrintable(w->property("text").toString()));
            }
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
