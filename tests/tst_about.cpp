#include "FakeDialogs.h"
#include "TerminalFixture.h"
#include "about/SystemKeySource.h"
#include "about/frmAbout.h"
#include "common/Version.h"
#include "settings/frmProperties.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingProbe : public FileProbe
{
public:
    mutable QStringList asked;
    QStringList present;
    bool exists(const QString &path) const override
    {
        asked.append(path);
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

constexpr quint32 HKLM = KeySource::kLocalMachine;
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

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
};

} // namespace

// The About box and its launcher of the system-information tool.
class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void toolIsFoundWhereItIsRegistered()
    {
        struct Case
        {
            const char *path, *folder; // under the first and the second key; null: not registered
            bool toolInFolder, launchRefused;
            QString started; // empty: the unavailable message instead
        };
        const Case cases[] = {
            {"C:\\Tools\\msinfo32.exe", "C:\\Other", false, false, "C:\\Tools\\msinfo32.exe"}, // started unchecked
            {nullptr, "C:\\Shared", true, false, "C:\\Shared\\MSINFO32.EXE"},
            {nullptr, "C:\\Shared", false, false, ""},
            {nullptr, nullptr, false, false, ""},
            {"", "D:\\x", true, false, ""}, // an empty path: no second try
            {"/usr/bin/tool", nullptr, false, true, ""},
        };
        for (const Case &c : cases) {
            Rig rig;
            if (c.path)
                rig.keys->set(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue, KeySource::string(c.path));
            if (c.folder)
                rig.keys->set(HKLM, SysInfo::kLocationKey, SysInfo::kLocationValue, KeySource::string(c.folder));
            if (c.toolInFolder)
                rig.probe->present << QString::fromLatin1(c.folder) + "\\MSINFO32.EXE";
            rig.launcher->refuse = c.launchRefused;
            rig.info.StartSysInfo();
            QCOMPARE(rig.launcher->started, c.started.isEmpty() ? QStringList{} : QStringList{c.started});
            QCOMPARE(rig.probe->asked.isEmpty(), !c.folder || c.path); // a registered path is not checked
            if (c.started.isEmpty()) {
                QCOMPARE(rig.messages.shown.size(), 1);
                QCOMPARE(rig.messages.shown[0].text, kUnavailable);
                QCOMPARE(rig.messages.shown[0].icon, MessageBox::Icon::None);
            }
        }
    }

    void registryValuesReadAsTheBoxReadsThem()
    {
        Rig rig;
        const QList<std::tuple<const char *, KeySource::Value, bool, QString>> cases = {
            {"with", {KeySource::kString, QByteArray("abc\0", 4)}, true, "abc"}, // the terminator goes
            {"without", {KeySource::kString, "abc"}, true, "abc"},               // nothing else does
            {"inner", {KeySource::kString, QByteArray("a\0b", 3)}, true, QString::fromLatin1("a\0b", 3)},
            {"number", {KeySource::kNumber, QByteArray("\x05\x01\x00\x00", 4)}, true, "261"},
            {"big", {KeySource::kNumber, QByteArray("\xff\xff\xff\xff", 4)}, true, "4294967295"},
            {"binary", {3, "xyz"}, true, "as passed"}, // another type leaves it
            {"fits", KeySource::string(QByteArray(1023, 'a')), true, QString(1023, 'a')},
            {"too long", KeySource::string(QByteArray(1024, 'a')), false, ""},
        };
        for (const auto &[name, value, read, text] : cases) {
            rig.keys->set(HKLM, "K", name, value);
            QString got = QStringLiteral("as passed");
            QCOMPARE(rig.info.GetKeyValue(HKLM, "k", QString::fromLatin1(name).toUpper(), got), read); // case ignored
            QCOMPARE(got, text);
        }
        QString got = QStringLiteral("x");
        QVERIFY(!rig.info.GetKeyValue(0x80000001, "K", "with", got)); // another root
        QCOMPARE(got, QString());
    }

    void systemStandInNamesAToolOrTheProgramsFolder()
    {
        QTemporaryDir bin, own;
        for (const QString &tool :
             {bin.filePath("gnome-system-monitor"), bin.filePath("hardinfo"), own.filePath("MSINFO32.EXE")}) {
            QFile f(tool);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        SystemKeySource source({bin.path()}, own.path());
        const auto tool = source.query(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue);
        QVERIFY(tool);
        QCOMPARE(tool->data, bin.filePath("hardinfo").toLocal8Bit() + '\0'); // the dedicated tool wins

        auto *launcher = new RecordingLauncher;
        FakeMessageBox messages;
        SysInfo info({std::make_unique<SystemKeySource>(QStringList{own.path() + "/none"}, own.path()),
                      std::make_unique<NativeFileProbe>(), std::unique_ptr<ProgramLauncher>(launcher)},
                     messages);
        info.StartSysInfo(); // no tool on the path: the program's own folder, joined as the registry would
        QCOMPARE(launcher->started, QStringList{own.path() + "\\MSINFO32.EXE"});
        QCOMPARE(nativeToolPath(launcher->started.value(0)), own.filePath("MSINFO32.EXE"));
        QVERIFY(messages.shown.isEmpty());
    }

    void boxShowsTheBuildsVersionAndStaysModeless()
    {
        FakeMessageBox messages;
        auto *launcher = new RecordingLauncher;
        auto *keys = new FixedKeySource;
        keys->set(HKLM, SysInfo::kInfoKey, SysInfo::kInfoValue, KeySource::string("/bin/tool"));
        QPointer<frmAbout> box =
            new frmAbout(messages, SysInfoTools{std::unique_ptr<KeySource>(keys), std::make_unique<RecordingProbe>(),
                                                std::unique_ptr<ProgramLauncher>(launcher)});
        QCOMPARE(box->windowTitle(), QStringLiteral("About Tavro Terminal"));
        QCOMPARE(box->lblTitle->text(), QStringLiteral("Tavro Terminal"));
        QCOMPARE(box->lblVersion->text(),
                 QStringLiteral("Version %1.%2.%3").arg(Version::kMajor).arg(Version::kMinor).arg(Version::kRevision));
        QCOMPARE(box->lblDescription->text(), QStringLiteral("Terminal and in circuit programmer"));
        box->show();
        QVERIFY(!box->isModal());
        box->cmdSysInfo->click();
        QCOMPARE(launcher->started, QStringList{"/bin/tool"});
        QVERIFY(box->isVisible()); // the box stays after starting the tool
        box->cmdOK->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());
    }

    void windowsShowEveryCaptionWhole()
    {
        FakeMessageBox messages;
        frmAbout about(messages, SysInfoTools{std::make_unique<FixedKeySource>(), std::make_unique<RecordingProbe>(),
                                              std::make_unique<RecordingLauncher>()});
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
