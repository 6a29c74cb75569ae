// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkDevice.h"
#include "TerminalFixture.h"
#include "TestFiles.h"
#include "session/ReceivePipeline.h"
#include "terminal/DrawPacer.h"

#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// ShowData as written, step by step, on a text box that counts a line break as CR LF.
struct ReferenceBox
{
    QString text;
    QString log;
    bool logging = false;

    void showData(QString data)
    {
        qsizetype n = text.size();
        while (n > 16000) { // once, unless the last call was longer than the 4096 that go
            text = text.mid(4096);
            n = text.size();
        }
        qsizetype selStart = n, selLength = 0;
        for (qsizetype p = data.indexOf(QChar(8)) + 1; p > 0; p = data.indexOf(QChar(8)) + 1) {
            if (p == 1) {
                if (n > 0) // an empty box has no last character to select
                    selStart = n - 1, selLength = 1;
                data = data.mid(1);
            } else {
                data = data.left(p - 2) + data.mid(p);
            }
        }
        data.remove(QChar(10));
        for (qsizetype i = data.indexOf(QChar(13)); i >= 0; i = data.indexOf(QChar(13), i + 2))
            data.insert(i + 1, QChar(10));
        text = text.left(selStart) + data + text.mid(selStart + selLength);
        if (logging)
            log += data;
    }
};

// Every byte value, with CR, LF and backspace frequent.
QByteArray randomChunk(QRandomGenerator &random)
{
    static const char frequent[] = {'\r', '\n', '\b', 'a', 'b'};
    QByteArray chunk(random.bounded(random.bounded(8) == 0 ? 9000 : 60), Qt::Uninitialized);
    for (char &c : chunk)
        c = random.bounded(3) ? frequent[random.bounded(5)] : char(random.bounded(256));
    return chunk;
}

} // namespace

// What the board's text does to the view and the log, one notification at a time, and what keys
// do: through the real window and serial control.
class TestReceive : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<TerminalFixture>();
        m_device = nullptr;
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void randomStreamsMatchShowDataChunkByChunk()
    {
        for (quint32 seed = 1; seed <= 40; ++seed) {
            init();
            frmTerminal &w = openChunks();
            QRandomGenerator random(seed);
            ReferenceBox box;
            for (int i = 0; i < 150; ++i) {
                const int what = random.bounded(40);
                if (what == 0 && !box.logging) { // the log opened mid-stream, and closed again
                    m_f->files.choices.push_back(logPath());
                    m_f->messages.answers.push_back(MessageBox::Answer::No);
                    w.menuItem("mnuOpenLog")->trigger();
                    box.logging = true;
                } else if (what == 1 && box.logging) {
                    w.menuItem("mnuCloseLog")->trigger();
                    box.logging = false;
                } else {
                    const QByteArray chunk = randomChunk(random);
                    m_device->deliver(chunk);
                    box.showData(QString::fromLatin1(chunk));
                }
                if (random.bounded(10) == 0) // the screen, drawn at any moment, shows the text
                    QCOMPARE(m_f->screen(), box.text);
            }
            QCOMPARE(m_f->session->text(), box.text);
            QCOMPARE(m_f->screen(), box.text);
            w.menuItem("mnuCloseLog")->trigger();
            QCOMPARE(fileContents(logPath()),
                     QFile::exists(logPath()) ? box.log.toLatin1() : QByteArray("<unreadable>"));
            for (const auto &shown : m_f->messages.shown)
                QCOMPARE(shown.buttons, MessageBox::Buttons::YesNoCancel); // only "Replace existing file"
        }
    }

    void trimCountsALineBreakAsTwo()
    {
        frmTerminal &w = openChunks();
        m_device->deliver(QByteArray("a\r").repeated(5333) + "a"); // 5333 * 3 + 1 = 16000 in the box
        m_device->deliver("b");
        QCOMPARE(m_f->session->text().size(), 16001); // 16000 is not past the bound
        m_device->deliver("c");
        QCOMPARE(m_f->session->text().size(), 16001 - 4096 + 1);
        QVERIFY(m_f->session->text().endsWith(QStringLiteral("\r\nabc")));
        QCOMPARE(m_f->screen(), m_f->session->text());
        // An empty notification still trims, and drops a selection for the caret at the end.
        m_device->deliver(QByteArray(4095, 'x'));
        QTextCursor selection = w.view()->textCursor();
        selection.setPosition(0);
        selection.setPosition(5, QTextCursor::KeepAnchor);
        w.view()->setTextCursor(selection);
        m_device->deliver({});
        QCOMPARE(m_f->session->text().size(), 16001 - 4096);
        QCOMPARE(m_f->screen(), m_f->session->text());
        QVERIFY(!w.view()->textCursor().hasSelection() && w.view()->textCursor().atEnd());
        // After a call longer than a block, as many blocks go as bring it back within the bound.
        m_device->deliver(QByteArray(20000, 'y'));
        m_device->deliver("z");
        QCOMPARE(m_f->session->text().size(), 16001 - 4096 + 20000 - 4 * 4096 + 1);
        QCOMPARE(m_f->screen(), m_f->session->text());
    }

    void endOfLineWatchAndWhatProgrammingModeHolds()
    {
        MemorySettingsStore store;
        std::ignore = store.WriteSetting(kAppTitle, "Properties", "TextEOLValue", "62");
        AppState app;
        PropertiesModel properties(store);
        ReceivePipeline received({store, m_f->messages, m_f->files, [] { return qint64(0); }}, app, properties);
        // The character anywhere in a chunk releases a waiting transfer; only the sender clears it.
        const QList<std::pair<QByteArray, bool>> chunks = {{">ok", true}, {"answer>more", true}, {"ok>\r\n", true},
                                                           {"ok>", true}, {"ok\r\n", false},     {"", false}};
        for (const auto &[chunk, seen] : chunks) {
            received.clearEolReceived();
            received.MSComm1_OnComm(chunk);
            QVERIFY2(received.eolReceived() == seen, chunk.constData());
        }
        // Programming mode holds what arrives; the next notification after it shows it, once.
        m_f->files.choices.push_back(logPath());
        QVERIFY(received.openLog());
        const QString before = received.text();
        app.ProgMode = true;
        received.clearEolReceived();
        received.MSComm1_OnComm("answer>");
        QVERIFY(received.text() == before && !received.eolReceived());
        app.ProgMode = false;
        received.MSComm1_OnComm("a");
        received.MSComm1_OnComm("b");
        QVERIFY(received.text() == before + "answer>ab" && received.eolReceived());
        received.closeLog();
        QCOMPARE(fileContents(logPath()), QByteArray("answer>ab"));
    }

    void keysThatGiveNoCharacterActOnTheViewOnly()
    {
        for (const QString mode : {"open", "closed"}) {
            init();
            m_f->set(QStringLiteral("Echo"), QStringLiteral("True"));
            frmTerminal &w = mode == "closed" ? m_f->start(16) : openChunks();
            m_f->files.choices.push_back(logPath());
            w.menuItem("mnuOpenLog")->trigger();
            QTest::keyClicks(w.view(), "ab");
            QTest::keyClick(w.view(), Qt::Key_Left);
            QTest::keyClick(w.view(), Qt::Key_Delete); // deletes "b" in the view, and nothing else
            QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u20AC"));
            QCoreApplication::sendEvent(w.view(), &euro); // no 8-bit code: neither sent nor shown
            QInputMethodEvent composed;
            composed.setCommitString(QStringLiteral("\u00E9")); // a dead key and e, through the input method
            QCoreApplication::sendEvent(w.view(), &composed);
            if (mode == "open")
                QCOMPARE(m_device->written, QByteArray("ab") + '\xE9');
            QCOMPARE(m_f->screen(), QStringLiteral("a\u00E9"));
            QCOMPARE(m_f->session->text(), QStringLiteral("a\u00E9"));
            w.menuItem("mnuCloseLog")->trigger();
            QCOMPARE(fileContents(logPath()), QByteArray()); // the echo is shown, never logged
        }
    }

    void drawsArePacedByTheirCost()
    {
        // Cheap draws: about 30 a second while changes stream; dear ones (10 ms): a 200th of the
        // time; either way what came last is drawn once the changes pause.
        for (const double costMs : {0.01, 10.0}) {
            DrawPacer pacer;
            int due = 0;
            connect(&pacer, &DrawPacer::due, [&] { pacer.drew(costMs), ++due; });
            pacer.drew(costMs);
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 660) {
                pacer.changed();
                QTest::qWait(3);
            }
            const int streaming = due;
            QVERIFY2(costMs > 1 ? streaming == 0 : streaming >= 10 && streaming <= 21,
                     qPrintable(QString::number(due)));
            QTest::qWait(DrawPacer::kPauseMs + 30);
            QCOMPARE(due, streaming + 1);
        }
    }

    void drawingIsBoundedWhileDataStreams()
    {
        frmTerminal &w = openChunks();
        int draws = 0;
        connect(w.view()->document(), &QTextDocument::contentsChanged, [&] { ++draws; });
        QElapsedTimer clock;
        clock.start();
        int chunks = 0;
        while (clock.elapsed() < 500) { // a board streaming 78-character lines, a chunk a millisecond
            m_device->deliver(QByteArray(76, 'z') + "\r\n");
            ++chunks;
            QTest::qWait(1);
        }
        QVERIFY2(draws < chunks / 3, qPrintable(QStringLiteral("%1 draws for %2 chunks").arg(draws).arg(chunks)));
        QTRY_COMPARE(TerminalView::unrendered(w.view()->document()->toRawText()),
                     m_f->session->text()); // the end is drawn
    }

private:
    frmTerminal &openChunks()
    {
        m_f->board = [this] {
            auto device = std::make_unique<ChunkDevice>();
            m_device = device.get();
            return device;
        };
        return m_f->open(16);
    }
    QString logPath() const { return m_dir->filePath(QStringLiteral("session.log")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TerminalFixture> m_f;
    ChunkDevice *m_device = nullptr;
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
