// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"
#include "TerminalFixture.h"

#include <QtTest>

namespace {

// Generous: the machine may be busy; a window that waited for the end of a file would take minutes.
constexpr qint64 kFrozenMs = 1500;

} // namespace

// What the user's data does to the terminal: a log that cannot be written, and files far from
// lines of text.
class TestDataFaults : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_board.reset();
        m_pty = std::make_unique<PtyPair>();
        m_f = std::make_unique<TerminalFixture>();
        m_f->devices[2] = m_pty->host();
        if (!m_pty->usable())
            return;
        QVERIFY(m_f->openSession(2).facts().portOpen);
        m_board = m_pty->openBoard();
        QVERIFY(m_board);
    }

    void logThatCannotBeWrittenWarnsOnceAndTheViewKeepsAll()
    {
        for (const bool removeFolder : {false, true}) {
            init();
            QVERIFY(m_board);
            TerminalSession &s = *m_f->session;
            QDir folder(m_dir.filePath(QStringLiteral("logs")));
            QVERIFY(folder.mkpath(QStringLiteral(".")));
            const QString log =
                removeFolder ? folder.filePath(QStringLiteral("session.log")) : QStringLiteral("/dev/full");
            m_f->files.choices.push_back(log);
            s.openLog();
            QVERIFY(s.facts().logOpen);
            if (removeFolder)
                QVERIFY(folder.removeRecursively());
            // What arrives while the box is up shows when it closes, with nothing arriving after it.
            m_f->messages.onShow = [&] {
                m_board->write("late\r");
                QTest::qWait(300);
            };
            QString shown;
            for (const char *word : {"one", "two", "three"}) {
                m_board->write(QByteArray(word) + '\r');
                shown += QLatin1String(word) + QStringLiteral("\r\n") + (shown.isEmpty() ? "late\r\n" : "");
                QTRY_COMPARE(s.text(), shown);
            }
            QCOMPARE(m_f->shownTexts().size(), 1);
            QVERIFY2(m_f->shownTexts()[0].contains(log), qPrintable(m_f->shownTexts()[0]));
            QVERIFY(s.facts().logOpen); // the log stays open
        }
    }

    void multiGigabyteFileCanBeStopped()
    {
        for (const bool simulatedBoard : {false, true}) { // the simulated board takes everything at once
            init();
            QVERIFY(m_board);
            TerminalSession &s = simulatedBoard ? m_f->openSession(16) : *m_f->session;
            QFile file(m_dir.filePath(QStringLiteral("huge.bin")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(3LL * 1024 * 1024 * 1024)); // sparse: no disk used, no line end
            file.close();
            qint64 got = 0;
            connect(m_board.get(), &QSerialPort::readyRead, [&] { got += m_board->readAll().size(); });
            qint64 worstGap = 0; // the longest stretch in which a 5 ms timer did not get to run
            QElapsedTimer sinceTick;
            sinceTick.start();
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
            ticker.start(5);
            QElapsedTimer sinceStop;
            QTimer::singleShot(500, [&] {
                sinceStop.start();
                s.stopTransfer();
            });
            QTimer::singleShot(30000, [&] { s.togglePort(); }); // a sender that missed the stop
            m_f->files.choices.push_back(file.fileName());
            s.sendTextFile();
            QVERIFY(sinceStop.isValid());
            QVERIFY2(sinceStop.elapsed() < kFrozenMs, qPrintable(QString::number(sinceStop.elapsed())));
            QVERIFY2(worstGap < kFrozenMs, qPrintable(QString::number(worstGap)));
            QVERIFY(simulatedBoard || got > 0);
            QVERIFY(!heldOpen(file.fileName()));
            QVERIFY(commandStates(s.facts()).TransmitTextFile);
            QVERIFY(m_f->messages.shown.isEmpty());
        }
    }

private:
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TerminalFixture> m_f;
    std::unique_ptr<QSerialPort> m_board;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDataFaults)
#include "tst_faults_data.moc"
