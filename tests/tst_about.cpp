#include "FakeDialogs.h"
#include "about/SystemKeySource.h"
#include "about/frmAbout.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingProbe : public FileProbe
{
public:
    QStringList asked;
    QStringList present;
    bool exists(const QString &path) const override
    {
        const_cast<RecordingProbe *>(this)->asked.append(path);
        return present.contains(path);
    }
};

class RecordingLauncher : public ProgramLauncher
{
public:
    QStringList started;
    bool refuse = false;
    Failure start(const QString &path) override
    {
        if (refuse)
            return QStringLiteral("refused");
        started.append(path);
        return std::nullopt;
    }
};

const quint32 HKLM = KeySource::kLocalMachine;

// A SysInfo over fakes the test keeps hold of.
struct Rig
{
    FixedKeySource *keys = new FixedKeySource;
    RecordingProbe *probe = new RecordingProbe;
    RecordingLauncher *launcher = new RecordingLauncher;
    FakeMessageBox messages;
    SysInfo info{SysInfoTools{std::unique_ptr<KeySource>(keys), std::unique_ptr<FileProbe>(probe),
                              std::unique_ptr<ProgramLauncher>(launcher)},
                 messages};

    void toolAt(const QByteArray &path)
    {
        keys->set(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue, KeySource::string(path));
    }
    void folderAt(const QByteArray &dir)
    {
        keys->set(HKLM, SysInfo::kLocationKey, SysInfo::kLocationValue, KeySource::string(dir));
    }
    bool saidUnavailable() const
    {
        return messages.shown.size() == 1 && messages.shown[0].text == "System Information Is Unavailable At This Time"
               && messages.shown[0].buttons == MessageBox::Buttons::Ok
               && messages.shown[0].icon == MessageBox::Icon::None;
    }
};

void makeExecutable(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    // Where the tool is looked for
    void registeredPathStartsUnchecked();
    void registeredFolderStartsJoinedToolName();
    void registeredFolderWithoutToolIsUnavailable();
    void nothingRegisteredIsUnavailable();
    void emptyPathFallsBackToFolder();
    void refusedLaunchIsUnavailable();

    // Reading one value
    void stringLosesOnlyItsTerminator();
    void numberIsLittleEndianDecimal();
    void otherTypeLeavesTextAndMissingClearsIt();
    void valueTooLongForBufferIsNotRead();

    // The stand-in on this system
    void systemSourceNamesFirstToolOnSearchPath();
    void systemSourceWithoutToolsFallsBackToOwnFolder();

    // The box
    void boxShowsTitleVersionAndIsModeless();
    void okDestroysBoxAndSysInfoButtonLaunches();
};

void TestAbout::registeredPathStartsUnchecked()
{
    Rig rig;
    rig.toolAt("C:\\Tools\\msinfo32.exe");
    rig.folderAt("C:\\Other");
    rig.info.StartSysInfo();
    QCOMPARE(rig.launcher->started, QStringList{"C:\\Tools\\msinfo32.exe"});
    QVERIFY(rig.probe->asked.isEmpty());
    QVERIFY(rig.messages.shown.isEmpty());
}

void TestAbout::registeredFolderStartsJoinedToolName()
{
    Rig rig;
    rig.folderAt("C:\\Shared");
    rig.probe->present << "C:\\Shared\\MSINFO32.EXE";
    rig.info.StartSysInfo();
    QCOMPARE(rig.probe->asked, QStringList{"C:\\Shared\\MSINFO32.EXE"});
    QCOMPARE(rig.launcher->started, QStringList{"C:\\Shared\\MSINFO32.EXE"});
    QVERIFY(rig.messages.shown.isEmpty());
}

void TestAbout::registeredFolderWithoutToolIsUnavailable()
{
    Rig rig;
    rig.folderAt("C:\\Shared");
    rig.info.StartSysInfo();
    QCOMPARE(rig.probe->asked, QStringList{"C:\\Shared\\MSINFO32.EXE"});
    QVERIFY(rig.launcher->started.isEmpty());
    QVERIFY(rig.saidUnavailable());
}

void TestAbout::nothingRegisteredIsUnavailable()
{
    Rig rig;
    rig.info.StartSysInfo();
    QVERIFY(rig.probe->asked.isEmpty());
    QVERIFY(rig.launcher->started.isEmpty());
    QVERIFY(rig.saidUnavailable());
}

void TestAbout::emptyPathFallsBackToFolder()
{
    Rig rig;
    rig.toolAt("");
    rig.folderAt("D:\\x");
    rig.probe->present << "D:\\x\\MSINFO32.EXE";
    rig.info.StartSysInfo();
    QCOMPARE(rig.launcher->started, QStringList{"D:\\x\\MSINFO32.EXE"});
}

void TestAbout::refusedLaunchIsUnavailable()
{
    Rig rig;
    rig.toolAt("/usr/bin/tool");
    rig.launcher->refuse = true;
    rig.info.StartSysInfo();
    QVERIFY(rig.saidUnavailable());
}

void TestAbout::stringLosesOnlyItsTerminator()
{
    Rig rig;
    rig.keys->set(HKLM, "K", "with", {KeySource::kString, QByteArray("abc\0", 4)});
    rig.keys->set(HKLM, "K", "without", {KeySource::kString, "abc"});
    rig.keys->set(HKLM, "K", "inner", {KeySource::kString, QByteArray("a\0b", 3)});
    QString v;
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "with", v));
    QCOMPARE(v, QStringLiteral("abc"));
    QVERIFY(rig.info.GetKeyValue(HKLM, "k", "WITHOUT", v)); // the registry ignores case
    QCOMPARE(v, QStringLiteral("abc"));
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "inner", v));
    QCOMPARE(v, QString::fromLatin1("a\0b", 3));
}

void TestAbout::numberIsLittleEndianDecimal()
{
    Rig rig;
    rig.keys->set(HKLM, "K", "n", {KeySource::kNumber, QByteArray("\x05\x01\x00\x00", 4)});
    rig.keys->set(HKLM, "K", "big", {KeySource::kNumber, QByteArray("\xff\xff\xff\xff", 4)});
    QString v;
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "n", v));
    QCOMPARE(v, QStringLiteral("261"));
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "big", v));
    QCOMPARE(v, QStringLiteral("4294967295"));
}

void TestAbout::otherTypeLeavesTextAndMissingClearsIt()
{
    Rig rig;
    rig.keys->set(HKLM, "K", "bin", {3, "xyz"});
    QString v = QStringLiteral("as passed");
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "bin", v));
    QCOMPARE(v, QStringLiteral("as passed"));
    QVERIFY(!rig.info.GetKeyValue(HKLM, "K", "absent", v));
    QCOMPARE(v, QString());
    v = QStringLiteral("x");
    QVERIFY(!rig.info.GetKeyValue(0x80000001, "K", "bin", v)); // another root
    QCOMPARE(v, QString());
}

void TestAbout::valueTooLongForBufferIsNotRead()
{
    Rig rig;
    rig.keys->set(HKLM, "K", "fits", KeySource::string(QByteArray(1023, 'a')));
    rig.keys->set(HKLM, "K", "long", KeySource::string(QByteArray(1024, 'a')));
    QString v;
    QVERIFY(rig.info.GetKeyValue(HKLM, "K", "fits", v));
    QCOMPARE(v.size(), 1023);
    QVERIFY(!rig.info.GetKeyValue(HKLM, "K", "long", v));
}

void TestAbout::systemSourceNamesFirstToolOnSearchPath()
{
    QTemporaryDir bin;
    makeExecutable(bin.filePath("gnome-system-monitor"));
    makeExecutable(bin.filePath("hardinfo"));
    SystemKeySource source({bin.path()}, "/opt/tavro");
    const auto tool = source.query(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue);
    QVERIFY(tool);
    QCOMPARE(tool->data, bin.filePath("hardinfo").toLocal8Bit() + '\0'); // the dedicated tool wins
    QVERIFY(!source.query(HKLM, SysInfo::kInfoKey, "other"));
    QVERIFY(!source.query(0x80000001, SysInfo::kInfoKey, SysInfo::kInfoValue));
}

void TestAbout::systemSourceWithoutToolsFallsBackToOwnFolder()
{
    QTemporaryDir bin, own;
    makeExecutable(own.filePath("MSINFO32.EXE"));
    auto *launcher = new RecordingLauncher;
    FakeMessageBox messages;
    SysInfo info({std::make_unique<SystemKeySource>(QStringList{bin.path()}, own.path()),
                  std::make_unique<NativeFileProbe>(), std::unique_ptr<ProgramLauncher>(launcher)},
                 messages);
    info.StartSysInfo();
    QCOMPARE(launcher->started, QStringList{own.path() + "\\MSINFO32.EXE"});
    QCOMPARE(nativeToolPath(launcher->started.value(0)), own.filePath("MSINFO32.EXE"));
    QFile::remove(own.filePath("MSINFO32.EXE"));
    info.StartSysInfo();
    QCOMPARE(launcher->started.size(), 1);
    QCOMPARE(messages.shown.size(), 1);
}

void TestAbout::boxShowsTitleVersionAndIsModeless()
{
    FakeMessageBox messages;
    frmAbout box(messages, SysInfoTools{std::make_unique<FixedKeySource>(), std::make_unique<RecordingProbe>(),
                                        std::make_unique<RecordingLauncher>()});
    box.setAttribute(Qt::WA_DeleteOnClose, false); // lives on the stack here
    QCOMPARE(box.windowTitle(), QStringLiteral("About Tavro Terminal"));
    QCOMPARE(box.lblTitle->text(), QStringLiteral("Tavro Terminal"));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Version 1.1.8204"));
    QCOMPARE(box.lblDescription->text(), QStringLiteral("Terminal and in circuit programmer"));
    QVERIFY(!box.lblDisclaimer->text().isEmpty());
    QCOMPARE(box.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(box.cmdSysInfo->text(), QStringLiteral("&System Info..."));
    box.show();
    QVERIFY(!box.isModal());
    QVERIFY(box.cmdSysInfo->geometry().top() > box.cmdOK->geometry().bottom());
}

void TestAbout::okDestroysBoxAndSysInfoButtonLaunches()
{
    FakeMessageBox messages;
    auto *keys = new FixedKeySource;
    keys->set(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue, KeySource::string("/bin/tool"));
    auto *launcher = new RecordingLauncher;
    QPointer<frmAbout> box =
        new frmAbout(messages, SysInfoTools{std::unique_ptr<KeySource>(keys), std::make_unique<RecordingProbe>(),
                                            std::unique_ptr<ProgramLauncher>(launcher)});
    box->show();
    box->cmdSysInfo->click();
    QCOMPARE(launcher->started, QStringList{"/bin/tool"});
    QVERIFY(box->isVisible()); // the box stays after starting the tool
    box->cmdOK->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(box.isNull());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
