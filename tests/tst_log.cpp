// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeDialogs.h"
#include "TestFiles.h"
#include "log/LogCommands.h"

#include <QtTest>

// The log commands and the file they keep open in between.
class TestLog : public QObject
{
    Q_OBJECT
private slots:
    void choosingTheFile_data()
    {
        QTest::addColumn<QByteArray>("existing"); // what old.log holds; empty: it does not exist
        QTest::addColumn<QString>("chosen");      // the dialog's answers, '|' between them
        QTest::addColumn<QList<MessageBox::Answer>>("answers");
        QTest::addColumn<QString>("opened");   // the caption after, or nothing when no log opened
        QTest::addColumn<QByteArray>("after"); // old.log once "new" went to the log
        QTest::addColumn<int>("dialogs");
        using A = MessageBox::Answer;
        QTest::newRow("new name: created, no question")
            << QByteArray() << "old.log" << QList<A>{} << "old.log" << QByteArray("new") << 1;
        QTest::newRow("existing, No: appends directly") << QByteArray("before\r\n") << "old.log" << QList<A>{A::No}
                                                        << "old.log" << QByteArray("before\r\nnew") << 1;
        QTest::newRow("existing, Yes: starts empty")
            << QByteArray("old text") << "old.log" << QList<A>{A::Yes} << "old.log" << QByteArray("new") << 1;
        QTest::newRow("existing, Cancel: dialog again")
            << QByteArray("kept") << "old.log|other.log" << QList<A>{A::Cancel} << "other.log" << QByteArray("kept")
            << 2;
        QTest::newRow("existing, Cancel, dialog cancelled")
            << QByteArray("kept") << "old.log" << QList<A>{A::Cancel} << "" << QByteArray("kept") << 2;
        QTest::newRow("no such folder: reported")
            << QByteArray() << "no-such-folder/x.log" << QList<A>{} << "" << QByteArray("<unreadable>") << 1;
        QTest::newRow("look-up fails: reported")
            << QByteArray() << QString(400, 'n') << QList<A>{} << "" << QByteArray("<unreadable>") << 1;
    }

    void choosingTheFile()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QString, chosen);
        QFETCH(QList<MessageBox::Answer>, answers);
        QFETCH(QString, opened);
        QFETCH(QByteArray, after);
        QFETCH(int, dialogs);
        QTemporaryDir dir;
        if (!existing.isEmpty())
            writeFile(dir, "old.log", existing);
        FakeFileDialog files;
        FakeMessageBox messages;
        for (const QString &name : chosen.split('|'))
            files.choices.push_back(dir.filePath(name));
        messages.answers.assign(answers.begin(), answers.end());
        LogCommands log(files, messages);
        const auto state = log.mnuOpenLog_Click();
        QCOMPARE(files.requests.size(), dialogs);
        QCOMPARE(files.requests[0].title, QStringLiteral("Open Communications Log File"));
        QCOMPARE(files.requests[0].filter, QStringLiteral("Log Files (*.LOG)|*.log|All Files (*.*)|*.*"));
        QCOMPARE(state.has_value(), !opened.isEmpty());
        if (state) {
            QCOMPARE(*state, "Tavro Terminal - " + opened);
            QVERIFY(!log.write(QStringLiteral("new")));
        }
        QCOMPARE(fileContents(dir.filePath("old.log")), after);
        if (state)
            QVERIFY(fileContents(dir.filePath(opened)).endsWith("new"));
        if (!existing.isEmpty()) {
            QCOMPARE(messages.shown[0].text, "Replace existing file - " + dir.filePath("old.log") + "?");
            QCOMPARE(messages.shown[0].buttons, MessageBox::Buttons::YesNoCancel);
            QCOMPARE(messages.shown[0].icon, MessageBox::Icon::Question);
        } else if (!state) {
            QCOMPARE(messages.shown.size(), 1);
            QCOMPARE(messages.shown[0].icon, MessageBox::Icon::Exclamation);
        }
    }

    void closingAndWriting()
    {
        QTemporaryDir dir;
        FakeFileDialog files;
        FakeMessageBox messages;
        LogCommands log(files, messages);
        const auto closed = log.mnuCloseLog_Click(); // with no log open: as after any close
        QCOMPARE(closed, QStringLiteral("Terminal"));
        QVERIFY(!log.isOpen() && !log.write(QStringLiteral("nowhere")));

        files.choices.push_back(dir.filePath("s.log"));
        QVERIFY(log.mnuOpenLog_Click());
        // Bytes go in as received, chunk after chunk of any length: nothing added, dropped or translated.
        const QStringList chunks{"a", "\r", "\n", "", QString(QChar(0)), "\r\n\nbc", QString(QChar(0xFF)), "d"};
        for (const QString &chunk : chunks)
            QVERIFY(!log.write(chunk));
        log.mnuCloseLog_Click();
        QVERIFY(!log.write(QStringLiteral("after")));
        QCOMPARE(fileContents(dir.filePath("s.log")), QByteArray("a\r\n\0\r\n\nbc\xFF" "d", 11));
        QVERIFY(messages.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
