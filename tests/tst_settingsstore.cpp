#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void roundTripsAcrossInstancesAndCase();
    void missingEntryGivesDefault();
};

void TestSettingsStore::roundTripsAcrossInstancesAndCase()
{
    QTemporaryDir dir;
    const QString app = QStringLiteral("Tavro Terminal");
    const QStringList values{QStringLiteral("1"), QStringLiteral(" a, b "), QStringLiteral("9600,n,8,1.5"),
                             QStringLiteral("C:\\path with space\\x.dlx")};
    {
        QSettingsStore store(dir.path());
        store.WriteSetting(app, "Properties", "TextEOLcheck", values[0]);
        store.WriteSetting(app, "Properties", "StartTransferWord", values[1]);
        store.WriteSettings(app, "Properties",
                            {{"Settings", values[2]}, {"LastTextFile", values[3]}}); // one file write
    }
    QSettingsStore store(dir.path());
    QCOMPARE(store.ReadSetting(app, "Properties", "TextEOLCheck", "x"), values[0]);
    QCOMPARE(store.ReadSetting(app, "properties", "STARTTRANSFERWORD", "x"), values[1]);
    QCOMPARE(store.ReadSetting(app, "Properties", "Settings", "x"), values[2]);
    QCOMPARE(store.ReadSetting(app, "Properties", "LastTextFile", "x"), values[3]);
    store.WriteSetting(app, "Properties", "TEXTEOLCHECK", "0");
    QCOMPARE(store.ReadSetting(app, "Properties", "TextEOLcheck", "x"), QStringLiteral("0"));
}

void TestSettingsStore::missingEntryGivesDefault()
{
    MemorySettingsStore store;
    QCOMPARE(store.ReadSetting("Tavro Terminal", "Properties", "Echo", ""), QString());
    QCOMPARE(store.ReadSetting("Tavro Terminal", "Properties", "LineDelayValue", "50"), QStringLiteral("50"));
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
