#include "FakeDialogs.h"
#include "log/LogCommands.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestLog : public QObject
{
    Q_OBJECT
private slots:
    void init();

    // Choosing the file
    void newFileIsCreatedWithoutQuestion();
    void existingFileAnsweredNoAppendsDirectly();
    void existingFileAnsweredYesStartsEmpty();
    void cancelToQuestionShowsDialogAgain();
    void cancelledDialogOpensNothing();
    void unopenablePathIsReportedAndChangesNothing();
    void failedLookupIsReported();

    // Closing
    void closeWithoutLogStillResetsWindow();
    void closedLogTakesNoMoreText();

    // Contents
    void everyByteValueRoundTrips();
    void textIsWrittenExactlyAsGiven();

    // A full disk
    void fullDiskIsReportedOnceUntilReopened();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeFileDialog m_files;
    FakeMessageBox m_messages;
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }
};

void TestLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_files = {};
    m_messages = {};
}

void TestLog::newFileIsCreatedWithoutQuestion()
{
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("session.log"));
    const auto state = log.mnuOpenLog_Click();
    QVERIFY(state);
    QCOMPARE(state->caption, QStringLiteral("Tavro Terminal - session.log"));
    QVERIFY(state->logOpen);
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(m_files.requests.size(), 1);
    QCOMPARE(m_files.requests[0].title, QStringLiteral("Open Communications Log File"));
    QCOMPARE(m_files.requests[0].filter, QStringLiteral("Log Files (*.LOG)|*.log|All Files (*.*)|*.*"));
    QVERIFY(m_files.requests[0].mayCreate);
    QVERIFY(QFile::exists(path("session.log")));
    QCOMPARE(contents(path("session.log")), QByteArray());
}

void TestLog::existingFileAnsweredNoAppendsDirectly()
{
    writeFile(path("old.log"), "before\r\n");
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("old.log"));
    m_messages.answers.push_back(MessageBox::Answer::No);
    QVERIFY(log.mnuOpenLog_Click());
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].text, QStringLiteral("Replace existing file - ") + path("old.log") + "?");
    QCOMPARE(m_messages.shown[0].buttons, MessageBox::Buttons::YesNoCancel);
    QCOMPARE(m_messages.shown[0].icon, MessageBox::Icon::Question);
    QVERIFY(!log.write(QStringLiteral("after\r\n")));
    QCOMPARE(contents(path("old.log")), QByteArray("before\r\nafter\r\n"));
}

void TestLog::existingFileAnsweredYesStartsEmpty()
{
    writeFile(path("old.log"), "a long old text that must vanish");
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("old.log"));
    m_messages.answers.push_back(MessageBox::Answer::Yes);
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(!log.write(QStringLiteral("new")));
    QCOMPARE(contents(path("old.log")), QByteArray("new"));
}

void TestLog::cancelToQuestionShowsDialogAgain()
{
    writeFile(path("keep.log"), "kept");
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("keep.log"));
    m_files.choices.push_back(path("other.log"));
    m_messages.answers.push_back(MessageBox::Answer::Cancel);
    const auto state = log.mnuOpenLog_Click();
    QCOMPARE(m_files.requests.size(), 2);
    QVERIFY(state);
    QCOMPARE(state->caption, QStringLiteral("Tavro Terminal - other.log"));
    QCOMPARE(contents(path("keep.log")), QByteArray("kept"));
}

void TestLog::cancelledDialogOpensNothing()
{
    writeFile(path("keep.log"), "kept");
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("keep.log"));
    m_messages.answers.push_back(MessageBox::Answer::Cancel);
    QVERIFY(!log.mnuOpenLog_Click()); // second dialog cancelled
    QCOMPARE(m_files.requests.size(), 2);
    QVERIFY(!log.isOpen());
    QCOMPARE(contents(path("keep.log")), QByteArray("kept"));
}

void TestLog::unopenablePathIsReportedAndChangesNothing()
{
    LogCommands log(m_files, m_messages);
    const QString bad = path("no-such-folder/x.log");
    m_files.choices.push_back(bad);
    QVERIFY(!log.mnuOpenLog_Click());
    QVERIFY(!log.isOpen());
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY(m_messages.shown[0].text.contains(bad));
    QCOMPARE(m_messages.shown[0].icon, MessageBox::Icon::Exclamation);
    QCOMPARE(m_messages.shown[0].buttons, MessageBox::Buttons::Ok);
}

void TestLog::failedLookupIsReported()
{
    // A name longer than any file system allows makes the look-up itself fail.
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(m_dir->filePath(QString(400, QLatin1Char('n'))));
    QVERIFY(!log.mnuOpenLog_Click());
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].icon, MessageBox::Icon::Exclamation);
    QCOMPARE(m_files.requests.size(), 1);
}

void TestLog::closeWithoutLogStillResetsWindow()
{
    LogCommands log(m_files, m_messages);
    const auto state = log.mnuCloseLog_Click();
    QCOMPARE(state.caption, QStringLiteral("Tavro Terminal"));
    QVERIFY(!state.logOpen);
    QVERIFY(m_messages.shown.isEmpty());
    QVERIFY(!log.write(QStringLiteral("nowhere")));
}

void TestLog::closedLogTakesNoMoreText()
{
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("s.log"));
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(!log.write(QStringLiteral("in")));
    log.mnuCloseLog_Click();
    QVERIFY(!log.isOpen());
    QVERIFY(!log.write(QStringLiteral("out")));
    QCOMPARE(contents(path("s.log")), QByteArray("in"));
}

void TestLog::everyByteValueRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QString text = QString::fromLatin1(all); // as the receive path turns bytes into text
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("bytes.log"));
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(!log.write(text));
    QVERIFY(!log.write(text));
    QCOMPARE(contents(path("bytes.log")), all + all);
}

void TestLog::textIsWrittenExactlyAsGiven()
{
    // Line ends are the caller's business: the log adds, drops and translates nothing.
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(path("t.log"));
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(!log.write(QStringLiteral("word\r\n")));
    QVERIFY(!log.write(QStringLiteral("\n\r")));
    QVERIFY(!log.write(QString()));
    QVERIFY(!log.write(QStringLiteral("end")));
    QCOMPARE(contents(path("t.log")), QByteArray("word\r\n\n\rend"));
}

void TestLog::fullDiskIsReportedOnceUntilReopened()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    LogCommands log(m_files, m_messages);
    m_files.choices.push_back(QStringLiteral("/dev/full"));
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(m_messages.shown.isEmpty()); // a device is no existing file to replace
    const Failure first = log.write(QStringLiteral("lost"));
    QVERIFY(first);
    QVERIFY(first->contains(QStringLiteral("/dev/full")));
    QVERIFY(!log.write(QStringLiteral("again")));
    QVERIFY(!log.write(QString())); // nothing written proves nothing
    QVERIFY(!log.write(QStringLiteral("and again")));
    QVERIFY(log.isOpen());
    m_files.choices.push_back(QStringLiteral("/dev/full"));
    QVERIFY(log.mnuOpenLog_Click());
    QVERIFY(log.write(QStringLiteral("after reopening")));
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
