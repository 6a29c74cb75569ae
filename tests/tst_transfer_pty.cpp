#include "FakeSenderHost.h"
#include "TestFiles.h"
#include "common/AppState.h"
#include "serial/MSComm.h"
#include "serial/QtSerialDevice.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"
#include "transfer/TextSender.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr char kWaitChar = '>';

// Two linked pseudo-terminals from socat, ended with the test.
class Socat
{
public:
    Socat()
    {
        m_process.start(QStringLiteral("socat"), {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
        QByteArray log;
        static const QRegularExpression ptyLine(QStringLiteral("PTY is (\\S+)"));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && !log.contains("starting data transfer loop")) {
            m_process.waitForReadyRead(100);
            log += m_process.readAllStandardError();
        }
        for (auto it = ptyLine.globalMatch(QString::fromLocal8Bit(log)); it.hasNext();)
            m_paths.append(it.next().captured(1));
    }
    ~Socat()
    {
        m_process.terminate();
        m_process.waitForFinished(2000);
    }
    bool ready() const { return m_paths.size() == 2; }
    QString host() const { return m_paths.value(0); }
    QString board() const { return m_paths.value(1); }

private:
    QProcess m_process;
    QStringList m_paths;
};

// The board on the far end: echoes everything and, when it answers, sends the wait
// character after each CR. Notes when each CR arrived.
class Board
{
public:
    Board(const QString &path, bool answers)
        : m_answers(answers)
    {
        m_port.setPortName(path);
        m_opened = m_port.open(QIODevice::ReadWrite);
        QObject::connect(&m_port, &QSerialPort::readyRead, [this] { onData(); });
        m_clock.start();
    }
    bool opened() const { return m_opened; }
    QByteArray got;
    QByteArray sentBack;
    QList<qint64> lineTimes;

private:
    void onData()
    {
        const QByteArray data = m_port.readAll();
        got += data;
        QByteArray reply;
        for (char c : data) {
            reply += c;
            if (c == '\r') {
                lineTimes.append(m_clock.elapsed());
                if (m_answers)
                    reply += kWaitChar;
            }
        }
        m_port.write(reply);
        sentBack += reply;
    }

    QSerialPort m_port;
    QElapsedTimer m_clock;
    bool m_answers;
    bool m_opened = false;
};

// The window's side: the real serial control on the other pty, with its receive path.
class PtyHost : public FakeSenderHost
{
public:
    explicit PtyHost(const QString &path)
        : m_comm([path](int, QString *) { return std::make_unique<QtSerialDevice>(path); })
    {
        m_openFailure = m_comm.setPortOpen(true);
        QObject::connect(&m_comm, &MSComm::OnComm, [this] { receive(); });
    }
    Failure openFailure() const { return m_openFailure; }

    QByteArray received;

    Failure output(const QByteArray &bytes) override { return m_comm.Output(bytes); }
    int pendingOutput() const override { return m_comm.OutBufferCount(); }
    void receiveWaitingInput() override { receive(); }

private:
    void receive()
    {
        const QByteArray bytes = m_comm.Input();
        if (bytes.contains(kWaitChar))
            eol = true;
        received += bytes;
    }

    MSComm m_comm;
    Failure m_openFailure;
};

// Lets the last bytes reach the board and its echoes come back.
void settle(const PtyHost &host, const Board &board, qsizetype boardExpects)
{
    QElapsedTimer t;
    t.start();
    while ((board.got.size() < boardExpects || host.received.size() < board.sentBack.size()) && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

} // namespace

class TestTransferPty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void answeringBoardGetsStartWordAndPacedLines();
    void silentBoardCostsTheTimeOutPerLine();
    void fastTransferLosesNoEcho();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestTransferPty::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

#define NEED_PTYS(socat)                                                                                               \
    if (!socat.ready())                                                                                                \
        QSKIP("socat could not make a pseudo-terminal pair");

void TestTransferPty::answeringBoardGetsStartWordAndPacedLines()
{
    Socat socat;
    NEED_PTYS(socat);
    Board board(socat.board(), true);
    PtyHost host(socat.host());
    QVERIFY(board.opened());
    QVERIFY(!host.openFailure());
    host.lastFile = writeFile(*m_dir, "PROG.DLX", "10 A=1\r\n20 PRINT A\r\n30 END\r\n");
    host.settings = {1, "62", 1, "100", 1, "LOADB", "*.dlx", "200", 0};
    TextSender(host, host.app, 1500).SendText();
    settle(host, board, 32);

    QCOMPARE(board.got, QByteArray("LOADB\r10 A=1\r20 PRINT A\r30 END\r"));
    QCOMPARE(host.received, QByteArray("LOADB\r>10 A=1\r>20 PRINT A\r>30 END\r>"));
    const auto &t = board.lineTimes;
    QCOMPARE(t.size(), 4);
    QVERIFY2(t[1] - t[0] >= 185 && t[1] - t[0] < 600, qPrintable(QString::number(t[1] - t[0])));
    for (int i = 2; i < 4; ++i) // the answer comes at once, then the line pause
        QVERIFY2(t[i] - t[i - 1] >= 90 && t[i] - t[i - 1] < 600, qPrintable(QString::number(t[i] - t[i - 1])));
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTransferPty::silentBoardCostsTheTimeOutPerLine()
{
    Socat socat;
    NEED_PTYS(socat);
    Board board(socat.board(), false);
    PtyHost host(socat.host());
    QVERIFY(board.opened());
    QVERIFY(!host.openFailure());
    host.lastFile = writeFile(*m_dir, "x.txt", "one\rtwo\rthree\r");
    host.settings.chkWaitFor = true;
    TextSender(host, host.app, 1500).SendText();
    settle(host, board, 14);

    QCOMPARE(board.got, QByteArray("one\rtwo\rthree\r"));
    QCOMPARE(host.received, board.got);
    const auto &t = board.lineTimes;
    QCOMPARE(t.size(), 3);
    for (int i = 1; i < 3; ++i)
        QVERIFY2(t[i] - t[i - 1] >= 1400 && t[i] - t[i - 1] < 2200, qPrintable(QString::number(t[i] - t[i - 1])));
    QVERIFY(host.messageBox.shown.isEmpty());
}

void TestTransferPty::fastTransferLosesNoEcho()
{
    Socat socat;
    NEED_PTYS(socat);
    Board board(socat.board(), false);
    PtyHost host(socat.host());
    QVERIFY(board.opened());
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    host.lastFile = writeFile(*m_dir, "fast.txt", text);
    const QByteArray wire = QByteArray(text).replace("\r\n", "\r");
    TextSender(host, host.app, 1500).SendText(); // no pacing: echoes overtake the sender
    settle(host, board, wire.size());
    QCOMPARE(board.got, wire);
    QCOMPARE(host.received, board.got);
}

QTEST_GUILESS_MAIN(TestTransferPty)
#include "tst_transfer_pty.moc"
