// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgrammerBench.h"
#include "TerminalFixture.h"

#include <QtTest>
#include <csignal>

// Closing while output is still queued: after the drain wait the user decides; a termination
// signal decides for them.
class TestShutdown : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<TerminalFixture>();
        m_f->waits.drainMs = 300;
        m_f->board = [this] {
            auto board = std::make_unique<FlakyBoard>(m_f->chip);
            board->stuck = true; // its line never takes the bytes queued for it
            return board;
        };
    }

    void queuedOutputAsksThenAbortKeepsTheWindow()
    {
        frmTerminal &w = m_f->open(16);
        w.show();
        m_f->messages.answers = {MessageBox::Answer::Abort, MessageBox::Answer::Retry, MessageBox::Answer::Ignore};
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!w.close());
        QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed()))); // the drain wait came first
        QVERIFY2(ticks > 0, "the window answered events while it waited");
        QCOMPARE(m_f->shownTexts(), QStringList{"Data cannot be sent"});
        QCOMPARE(m_f->messages.shown[0].buttons, MessageBox::Buttons::AbortRetryIgnore);
        QVERIFY(w.session().comm().PortOpen() && w.isVisible());
        QCOMPARE(m_f->get("FormWidth"), QStringLiteral("<none>")); // nothing of the shut-down ran

        QVERIFY(w.close()); // Retry waits once more, Ignore gives the bytes up
        QCOMPARE(m_f->messages.shown.size(), 3);
        QVERIFY(!w.session().comm().PortOpen());
        QVERIFY(m_f->get("FormWidth") != "<none>");
    }

    void terminationSignalsCloseWithoutAsking()
    {
        for (const int signal : {SIGTERM, SIGHUP}) {
            init();
            QTemporaryDir dir;
            frmTerminal &w = m_f->open(16);
            m_f->files.choices.push_back(dir.filePath("session.log"));
            w.mnuOpenLog_Click();
            w.show();
            ::raise(signal);
            QTRY_VERIFY(!w.isVisible());
            QVERIFY(m_f->messages.shown.isEmpty());
            QVERIFY(!w.session().comm().PortOpen());
            QVERIFY(m_f->get("FormWidth") != "<none>");
            QVERIFY(!w.menuItem("mnuCloseLog")->isEnabled()); // the log closed as its command does
        }
    }

private:
    std::unique_ptr<TerminalFixture> m_f;
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
