#include "FaultRig.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

// Resident memory of this process in KiB: now, or its peak since resetPeakMemory().
qint64 memoryKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// The longest stretch in which a 5 ms timer did not get to run.
class TickWatch
{
public:
    TickWatch()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_worstGap = std::max(m_worstGap, m_clock.elapsed() - m_last);
            m_last = m_clock.elapsed();
        });
        m_timer.start(5);
    }
    qint64 worstGap() const { return m_worstGap; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worstGap = 0;
};

// What the sender puts on the wire for a file: CR LF becomes CR, a last line gets its CR.
QByteArray wireFor(QByteArray file)
{
    file.replace("\r\n", "\r");
    if (!file.isEmpty() && !file.endsWith('\r'))
        file += '\r';
    return file;
}

} // namespace

// What the user's data does to the window: a log that cannot be written, every byte value,
// and files far larger than lines of text are meant to be.
class TestDataFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();

    // The log
    void logOnFullDiskWarnsOnceAndTheViewKeepsAll();
    void logWhoseFolderIsRemovedWarnsOnce();
    void everyByteValueReachesTheLogAsReceived();

    // Large and odd files
    void binaryFileGoesOutByteForByte();
    void lineOfManyMegabytesGoesOutWithBoundedMemory();
    void multiGigabyteFileCanBeStopped();
    void multiGigabyteFileToTheSimulatedBoardCanBeStopped();

private:
    std::unique_ptr<FaultRig> m_rig;
    std::unique_ptr<QSerialPort> m_board;
};

void TestDataFaults::init()
{
    m_board.reset();
    m_rig = std::make_unique<FaultRig>();
    QVERIFY(m_rig->cable.ready());
    frmTerminal &w = m_rig->start(2);
    w.mnuOpen_Click();
    QVERIFY2(w.comm().PortOpen(), qPrintable(m_rig->shownTexts().join('\n')));
    m_board = m_rig->openBoardEnd();
    QVERIFY(m_board);
}

void TestDataFaults::logOnFullDiskWarnsOnceAndTheViewKeepsAll()
{
    frmTerminal &w = *m_rig->window;
    m_rig->files.choices.push_back(QStringLiteral("/dev/full"));
    w.mnuOpenLog_Click();
    QVERIFY(w.menuItem(QStringLiteral("mnuCloseLog"))->isEnabled());
    QString shown;
    for (const char *word : {"one", "two", "three"}) {
        m_board->write(QByteArray(word) + '\r');
        shown += QLatin1String(word) + QLatin1Char('\n');
        QTRY_COMPARE(w.view()->toPlainText(), shown);
    }
    QCOMPARE(m_rig->shownTexts().size(), 1);
    QVERIFY2(m_rig->shownTexts()[0].contains(QStringLiteral("/dev/full")), qPrintable(m_rig->shownTexts()[0]));
    QVERIFY(w.menuItem(QStringLiteral("mnuCloseLog"))->isEnabled()); // the log stays open
}

void TestDataFaults::logWhoseFolderIsRemovedWarnsOnce()
{
    frmTerminal &w = *m_rig->window;
    QDir folder(m_rig->dir.filePath(QStringLiteral("logs")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString log = folder.filePath(QStringLiteral("session.log"));
    m_rig->files.choices.push_back(log);
    w.mnuOpenLog_Click();
    m_board->write("kept\r");
    QTRY_COMPARE(fileContents(log), QByteArray("kept\r\n"));

    QVERIFY(folder.removeRecursively());
    m_board->write("gone\r");
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("kept\ngone\n"));
    m_board->write("also gone\r");
    QTRY_COMPARE(w.view()->toPlainText(), QStringLiteral("kept\ngone\nalso gone\n"));
    QCOMPARE(m_rig->shownTexts().size(), 1);
    QVERIFY2(m_rig->shownTexts()[0].contains(log), qPrintable(m_rig->shownTexts()[0]));
}

void TestDataFaults::everyByteValueReachesTheLogAsReceived()
{
    frmTerminal &w = *m_rig->window;
    const QString log = m_rig->dir.filePath(QStringLiteral("bytes.log"));
    m_rig->files.choices.push_back(log);
    w.mnuOpenLog_Click();

    // Every value but backspace, which depends on where a chunk starts.
    QByteArray sent;
    for (int b = 0; b < 256; ++b)
        if (b != 8)
            sent += char(b);
    m_board->write(sent);
    QByteArray expected = sent;
    expected.replace("\n", "").replace("\r", "\r\n"); // the view's line-end rule, nothing else
    QTRY_COMPARE(fileContents(log), expected);
    QVERIFY(w.view()->toPlainText().contains(QString::fromLatin1(sent.mid(0x20, 0x7F - 0x20))));
    QVERIFY(w.view()->toPlainText().endsWith(QString::fromLatin1(sent.mid(sent.indexOf('\xA1')))));

    // A backspace takes the character before it in the same chunk with it; at a chunk's
    // start it erases on the screen only.
    m_board->write("ab\bc");
    expected += "ac";
    QTRY_COMPARE(fileContents(log), expected);
    m_board->write("x");
    expected += "x";
    QTRY_COMPARE(fileContents(log), expected);
    m_board->write("\b");
    QTRY_VERIFY(w.view()->toPlainText().endsWith(QStringLiteral("ac")));
    QCOMPARE(fileContents(log), expected);
    QVERIFY(m_rig->shownTexts().isEmpty());
}

void TestDataFaults::binaryFileGoesOutByteForByte()
{
    frmTerminal &w = *m_rig->window;
    QByteArray content;
    for (int i = 0; i < 4096; ++i)
        content += char(i % 256) + QByteArray(i % 7, '\0') + (i % 5 ? "" : "\r\n");
    const QString path = m_rig->dir.filePath(QStringLiteral("image.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    QByteArray got;
    connect(m_board.get(), &QSerialPort::readyRead, [&] { got += m_board->readAll(); });
    m_rig->files.choices.push_back(path);
    w.mnuSendText_Click();
    QTRY_COMPARE(got.size(), wireFor(content).size());
    QCOMPARE(got, wireFor(content));
    QVERIFY(m_rig->shownTexts().isEmpty());
}

void TestDataFaults::lineOfManyMegabytesGoesOutWithBoundedMemory()
{
    frmTerminal &w = *m_rig->window;
    constexpr qint64 kLine = 24 * 1024 * 1024;
    const QString path = m_rig->dir.filePath(QStringLiteral("long.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray block(1024 * 1024, 'x');
    for (qint64 i = 0; i < kLine / block.size(); ++i)
        file.write(block);
    file.write("\rshort\r");
    file.close();

    // The board echoes the first megabyte and the end, so the view takes a long line too
    // (all of it would take the view longer than the wire: it lays out the whole line anew).
    qint64 got = 0;
    QByteArray tail;
    connect(m_board.get(), &QSerialPort::readyRead, [&] {
        const QByteArray bytes = m_board->readAll();
        got += bytes.size();
        tail = (tail + bytes).right(16);
        if (got <= block.size() || got > kLine)
            m_board->write(bytes);
    });
    const qint64 before = memoryKb("VmRSS");
    resetPeakMemory();
    TickWatch ticks;
    QElapsedTimer clock;
    clock.start();
    m_rig->files.choices.push_back(path);
    w.mnuSendText_Click();
    QTRY_COMPARE_WITH_TIMEOUT(got, kLine + 7, 15000);
    qDebug() << "sent in" << clock.elapsed() << "ms, peak growth" << memoryKb("VmHWM") - before << "KiB";
    QCOMPARE(tail.right(7), QByteArray("\rshort\r"));
    QVERIFY2(ticks.worstGap() < 250, qPrintable(QString::number(ticks.worstGap())));
    QVERIFY2(memoryKb("VmHWM") - before < 12 * 1024, qPrintable(QString::number(memoryKb("VmHWM") - before)));
    QTRY_VERIFY(w.view()->toPlainText().endsWith(QStringLiteral("\nshort\n")));
    QVERIFY(w.view()->document()->characterCount() < 2 * frmTerminal::kViewSoftLimit);
}

void TestDataFaults::multiGigabyteFileCanBeStopped()
{
    frmTerminal &w = *m_rig->window;
    const QString path = m_rig->dir.filePath(QStringLiteral("huge.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(3LL * 1024 * 1024 * 1024)); // sparse: no disk used, no line end
    file.close();

    qint64 got = 0;
    bool reading = true;
    connect(m_board.get(), &QSerialPort::readyRead, [&] {
        if (reading)
            got += m_board->readAll().size();
    });
    const qint64 before = memoryKb("VmRSS");
    resetPeakMemory();
    TickWatch ticks;
    QElapsedTimer clock;
    QTimer::singleShot(1000, [&] {
        clock.start();
        w.sbrStatus_PanelClick();
    });
    QTimer::singleShot(8000, [&] { reading = false; }); // a sender that missed the stop stalls
    m_rig->files.choices.push_back(path);
    w.mnuSendText_Click();
    QVERIFY(clock.isValid());
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    qDebug() << "sent" << got / 1024 << "KiB before the stop, peak growth" << memoryKb("VmHWM") - before << "KiB";
    QVERIFY(got > 0);
    QVERIFY(!heldOpen(path));
    QVERIFY2(ticks.worstGap() < 250, qPrintable(QString::number(ticks.worstGap())));
    QVERIFY2(memoryKb("VmHWM") - before < 12 * 1024, qPrintable(QString::number(memoryKb("VmHWM") - before)));
    QCOMPARE(w.statusText(), QStringLiteral("Settings: 9600,n,8,1"));
    QVERIFY(w.toolButton(QStringLiteral("TransmitTextFile"))->isEnabled());
    QVERIFY(m_rig->shownTexts().isEmpty());
}

void TestDataFaults::multiGigabyteFileToTheSimulatedBoardCanBeStopped()
{
    // The simulated board takes everything at once: no queue ever holds the sender back.
    FaultRig rig;
    frmTerminal &w = rig.start(16);
    w.mnuOpen_Click();
    QVERIFY(w.comm().PortOpen());
    const QString path = rig.dir.filePath(QStringLiteral("huge.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(3LL * 1024 * 1024 * 1024));
    file.close();

    TickWatch ticks;
    QElapsedTimer clock;
    QTimer::singleShot(500, [&] {
        clock.start();
        w.sbrStatus_PanelClick();
    });
    QTimer::singleShot(10000, [&] { rig.board->unplug(); }); // a sender that missed the stop
    rig.files.choices.push_back(path);
    w.mnuSendText_Click();
    QVERIFY(clock.isValid());
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(ticks.worstGap() < 250, qPrintable(QString::number(ticks.worstGap())));
    QVERIFY(rig.shownTexts().isEmpty());
}

QTEST_MAIN(TestDataFaults)
#include "tst_faults_data.moc"
