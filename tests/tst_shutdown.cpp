// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkDevice.h"
#include "ProgrammerBench.h"
#include "TerminalFixture.h"
#include "TestFiles.h"
#include "terminal/Terminations.h"
#include "terminal/WidgetDialogs.h"

#include <QMessageBox>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// What the process writes to standard error while it lives.
class StandardErrorCapture
{
public:
    StandardErrorCapture()
        : m_saved(::dup(STDERR_FILENO))
    {
        QVERIFY(m_file.open());
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture() { ::dup2(m_saved, STDERR_FILENO), ::close(m_saved); }
    QString text() { return QString::fromLocal8Bit(fileContents(m_file.fileName())); }

private:
    QTemporaryFile m_file;
    int m_saved;
};
} // namespace

// Closing while output is still queued: after the drain wait the user decides; a termination
// signal decides for them, whatever box is up.
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
        QVERIFY(m_f->session->facts().portOpen && w.isVisible());
        QCOMPARE(m_f->get("FormWidth"), QStringLiteral("<none>")); // nothing of the shut-down ran

        QVERIFY(w.close()); // Retry waits once more, Ignore gives the bytes up
        QCOMPARE(m_f->messages.shown.size(), 3);
        QVERIFY(!m_f->session->facts().portOpen);
        QVERIFY(m_f->get("FormWidth") != "<none>");
    }

    void abortLeavesARunningTransferRunning()
    {
        ChunkDevice *device = nullptr;
        m_f->board = [&device] {
            auto made = std::make_unique<ChunkDevice>();
            made->stuck = 5;
            device = made.get();
            return made;
        };
        m_f->set("LineDelayCheck", "1");
        m_f->set("LineDelayValue", "40");
        QTemporaryDir dir;
        const QByteArray text = QByteArray("line\r").repeated(20);
        m_f->set("LastTextFile", writeFile(dir, "lines.txt", text));
        frmTerminal &w = m_f->open(16);
        m_f->messages.answers = {MessageBox::Answer::Abort};
        bool stayed = false;
        QTimer::singleShot(150, [&] { stayed = !w.close(); });
        w.mmuResendTextFile(); // returns when the transfer has ended
        QVERIFY(stayed && m_f->session->facts().portOpen);
        QCOMPARE(m_f->shownTexts(), QStringList{"Data cannot be sent"});
        QCOMPARE(device->written, text); // the whole file went out after the Abort
    }

    void terminationSignalsEndWhateverBoxIsUp()
    {
        // A store that cannot keep the settings, queued output that will not drain, a log open,
        // and a box up or not: each signal ends the window without asking and says on standard
        // error what could not be stored.
        for (const int signal : {SIGTERM, SIGHUP, SIGINT})
            for (const bool boxUp : {false, true}) {
                init();
                WidgetMessageBox boxes(nullptr);
                WidgetFileDialog files(nullptr);
                m_f->messageBox = &boxes;
                QTemporaryDir dir;
                frmTerminal &w = m_f->open(16);
                m_f->store.refusal = "Is a directory";
                m_f->files.choices.push_back(dir.filePath("session.log"));
                w.menuItem("mnuOpenLog")->trigger();
                w.show();
                const Terminations terminations(w, boxes, files);
                StandardErrorCapture err;
                bool boxShown = false;
                if (boxUp)
                    QTimer::singleShot(0, [&] { boxes.warn("a box is up"); });
                QTimer::singleShot(200, [&] {
                    boxShown = QApplication::activeModalWidget() != nullptr;
                    ::raise(signal);
                });
                QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 3000);
                QCOMPARE(boxShown, boxUp);
                QTRY_VERIFY(!QApplication::activeModalWidget());
                QVERIFY(!m_f->session->facts().portOpen && !m_f->session->facts().logOpen);
                QVERIFY2(
                    err.text().contains("tavro-terminal: The settings could not be saved to memory: Is a directory"),
                    qPrintable(err.text()));
            }
    }

private:
    std::unique_ptr<TerminalFixture> m_f;
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
