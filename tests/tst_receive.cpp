// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalFixture.h"
#include "TestFiles.h"

#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// A device that hands over exactly the chunks a test gives it, each as one notification, and
// keeps what is written to it.
class ChunkDevice : public SerialDevice
{
public:
    QByteArray written;
    void deliver(const QByteArray &chunk)
    {
        m_waiting += chunk;
        emit readyRead();
    }

    Failure open(const LineFormat &) override { return m_open = true, std::nullopt; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    Failure apply(const LineFormat &) override { return std::nullopt; }
    Failure write(const QByteArray &bytes) override { return written += bytes, std::nullopt; }
    QByteArray readAll() override { return std::exchange(m_waiting, {}); }
    qint64 bytesAvailable() const override { return m_waiting.size(); }
    qint64 bytesToWrite() const override { return 0; }
    Failure setRequestToSend(bool) override { return std::nullopt; }
    Failure setDataTerminalReady(bool) override { return std::nullopt; }
    Failure setBreak(bool) override { return std::nullopt; }
    bool clearToSend() const override { return false; }
    QString description() const override { return QStringLiteral("chunk device"); }

private:
    QByteArray m_waiting;
    bool m_open = false;
};

// ShowData as written, step by step, on a text box that counts a line break as CR LF.
struct ReferenceBox
{
    QString text;
    QString log;
    bool logging = false;

    void showData(QString data)
    {
        qsizetype n = text.size();
        if (n > 16000) {
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
                    w.mnuOpenLog_Click();
                    box.logging = true;
                } else if (what == 1 && box.logging) {
                    w.mnuCloseLog_Click();
                    box.logging = false;
                } else if (what == 2) { // console output takes the same road
                    const QString console = QStringLiteral("\r\n0100 : 3F \"?\" >\b");
                    w.session().print(console);
                    box.showData(console);
                } else {
                    const QByteArray chunk = randomChunk(random);
                    m_device->deliver(chunk);
                    box.showData(QString::fromLatin1(chunk));
                }
                if (random.bounded(10) == 0) // the screen, drawn at any moment, shows the text
                    QCOMPARE(m_f->screen(), box.text);
            }
            QCOMPARE(w.session().text().text(), box.text);
            QCOMPARE(m_f->screen(), box.text);
            w.mnuCloseLog_Click();
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
        QCOMPARE(w.session().text().text().size(), 16001); // 16000 is not past the bound
        m_device->deliver("c");
        QCOMPARE(w.session().text().text().size(), 16001 - 4096 + 1);
        QVERIFY(w.session().text().text().endsWith(QStringLiteral("\r\nabc")));
        QCOMPARE(m_f->screen(), w.session().text().text());
        // An empty notification still trims, and drops a selection for the caret at the end.
        m_device->deliver(QByteArray(4095, 'x'));
        QTextCursor selection = w.view()->textCursor();
        selection.setPosition(0);
        selection.setPosition(5, QTextCursor::KeepAnchor);
        w.view()->setTextCursor(selection);
        m_device->deliver({});
        QCOMPARE(w.session().text().text().size(), 16001 - 4096);
        QCOMPARE(m_f->screen(), w.session().text().text());
        QVERIFY(!w.view()->textCursor().hasSelection() && w.view()->textCursor().atEnd());
    }

    void endOfLineCharacterIsSeenOutsideProgrammingModeOnly()
    {
        m_f->set(QStringLiteral("TextEOLValue"), QStringLiteral("62"));
        frmTerminal &w = openChunks();
        m_f->files.choices.push_back(logPath());
        w.mnuOpenLog_Click();
        w.session().app().ProgMode = true; // as the console holds it: the bytes wait
        m_device->deliver("answer>");
        w.session().app().ProgMode = false;
        QVERIFY(w.session().text().text().isEmpty() && !w.session().eolReceived());
        w.mnuCloseLog_Click();
        QCOMPARE(fileContents(logPath()), QByteArray());
        m_device->deliver(""); // out of programming mode the waiting bytes are shown, the character seen
        QVERIFY(w.session().text().text() == "answer>" && w.session().eolReceived());
        m_device->deliver("more");
        QVERIFY(w.session().eolReceived()); // only the sender clears it
    }

    void keysThatGiveNoCharacterActOnTheViewOnly()
    {
        for (const QString mode : {"open", "closed", "prog"}) {
            init();
            m_f->set(QStringLiteral("Echo"), QStringLiteral("True"));
            frmTerminal &w = mode == "closed" ? m_f->start(16) : openChunks();
            w.session().app().ProgMode = mode == "prog";
            m_f->files.choices.push_back(logPath());
            w.mnuOpenLog_Click();
            QTest::keyClicks(w.view(), "ab");
            QTest::keyClick(w.view(), Qt::Key_Left);
            QTest::keyClick(w.view(), Qt::Key_Delete); // deletes "b" in the view, and nothing else
            QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u20AC"));
            QCoreApplication::sendEvent(w.view(), &euro); // no 8-bit code: neither sent nor shown
            QInputMethodEvent composed;
            composed.setCommitString(QStringLiteral("\u00E9")); // a dead key and e, through the input method
            QCoreApplication::sendEvent(w.view(), &composed);
            const QByteArray typed = QByteArray("ab") + '\xE9';
            if (mode == "open")
                QCOMPARE(m_device->written, typed);
            if (mode == "prog")
                QCOMPARE(w.session().app().ConsoleKey, quint16(0xE9));
            if (m_device && mode != "open")
                QCOMPARE(m_device->written, QByteArray());
            QCOMPARE(m_f->screen(), QStringLiteral("a\u00E9"));
            QCOMPARE(w.session().text().text(), QStringLiteral("a\u00E9"));
            w.session().app().ProgMode = false;
            w.mnuCloseLog_Click();
            QCOMPARE(fileContents(logPath()), QByteArray()); // the echo is shown, never logged
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
                     w.session().text().text()); // the end is drawn
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
