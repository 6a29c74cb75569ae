// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"
#include "TerminalFixture.h"
#include "network/NetworkDevice.h"
#include "network/Telnet.h"
#include "serial/MSComm.h"
#include "serial/PortMap.h"
#include "simulator/DeviceFactory.h"

#include <QTcpServer>
#include <QtTest>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString findSer2net()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    return found.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin")})
                           : found;
}

// Ports nobody listens on now, all different.
QList<quint16> freePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> held;
    QList<quint16> ports;
    for (int i = 0; i < count; ++i) {
        held.push_back(std::make_unique<QTcpServer>());
        held.back()->listen(QHostAddress::LocalHost);
        ports << held.back()->serverPort();
    }
    return ports;
}

// Whether something listens on the port, as the kernel's table says (state 0A).
bool listening(quint16 port)
{
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : fileContents(QStringLiteral("/proc/net/tcp")).split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.value(1).endsWith(local) && fields.value(3) == "0A")
            return true;
    }
    return false;
}

// Debian's ser2net on 127.0.0.1 with a configuration and ports of its own (never the system's
// service), serving the host end of a socat pty pair over telnet(rfc2217) and over raw TCP.
class Ser2net
{
public:
    PtyPair pty;

    Ser2net()
    {
        const QList<quint16> ports = freePorts(2);
        m_telnetPort = ports[0];
        m_rawPort = ports[1];
        QByteArray yaml;
        for (const auto &[accepter, port] : {std::pair{"telnet(rfc2217),tcp", m_telnetPort}, {"tcp", m_rawPort}})
            yaml += QStringLiteral("connection: &c%1\n  accepter: %2,127.0.0.1,%1\n  connector: serialdev,%3,115200n81,"
                                   "local\n  options:\n    kickolduser: true\n")
                        .arg(port)
                        .arg(QLatin1String(accepter), pty.host())
                        .toUtf8();
        m_config = writeFile(m_dir, QStringLiteral("ser2net.yaml"), yaml);
        restart();
    }
    // Started again on the same ports.
    void restart()
    {
        m_process.start(findSer2net(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), m_config,
                                        QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
        for (int i = 0; i < 250 && !ready(); ++i)
            QThread::msleep(20);
    }
    ~Ser2net()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    // Ready, or the test fails with one line that says why.
    bool usable()
    {
        if (findSer2net().isEmpty()) {
            QTest::qFail("ser2net is missing: install the Debian package ser2net", __FILE__, __LINE__);
            return false;
        }
        if (!pty.usable())
            return false;
        if (!ready())
            QTest::qFail(qPrintable("ser2net did not start: " + m_process.readAllStandardError()), __FILE__, __LINE__);
        return ready();
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    QString url(bool telnet) const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(telnet ? "rfc2217" : "socket")
            .arg(telnet ? m_telnetPort : m_rawPort);
    }

private:
    bool ready() const { return listening(m_telnetPort) && listening(m_rawPort); }

    QTemporaryDir m_dir;
    QString m_config;
    QProcess m_process;
    quint16 m_telnetPort = 0;
    quint16 m_rawPort = 0;
};

// A board behind ser2net, and a session's fixture whose Com4 is the server's port.
struct ServedBoard
{
    Ser2net server;
    std::unique_ptr<QSerialPort> board = server.usable() ? server.pty.openBoard() : nullptr;
    TerminalFixture f;

    explicit ServedBoard(bool telnet) { f.devices[3] = server.url(telnet); }
};

// A port on a network device, with what it says.
struct NetPort
{
    explicit NetPort(const QString &url, int timeoutMs = NetworkDevice::kConnectTimeoutMs)
        : comm([url, timeoutMs](int, QString *error) -> std::unique_ptr<SerialDevice> {
            const std::optional<NetworkAddress> address = NetworkAddress::parse(url, error);
            if (!address)
                return nullptr;
            auto device = std::make_unique<NetworkDevice>(*address);
            device->setConnectTimeout(timeoutMs);
            return device;
        })
    {
        QObject::connect(&comm, &MSComm::dataReceived, [this](const QByteArray &bytes) { received += bytes; });
        QObject::connect(&comm, &MSComm::connected, [this] { ++connects; });
        QObject::connect(&comm, &MSComm::connectFailed, [this](const QString &why) { failures << why; });
        QObject::connect(&comm, &MSComm::lost, [this](const QString &why) { losses << why; });
    }
    bool openAndConnect()
    {
        return !comm.open() && QTest::qWaitFor([this] { return connects > 0 || !failures.isEmpty(); }) && connects == 1;
    }

    MSComm comm;
    QByteArray received;
    int connects = 0;
    QStringList failures, losses;
};

// A scripted RFC 2217 server on loopback: a port connected to it, and the server's end.
struct ScriptedPeer
{
    QTcpServer listener;
    std::optional<NetPort> port;
    QTcpSocket *server = nullptr;

    bool connect()
    {
        if (!listener.listen(QHostAddress::LocalHost))
            return false;
        port.emplace(QStringLiteral("rfc2217://127.0.0.1:%1").arg(listener.serverPort()));
        if (!port->openAndConnect() || !QTest::qWaitFor([this] { return listener.hasPendingConnections(); }))
            return false;
        server = listener.nextPendingConnection();
        return true;
    }
};

QByteArray everyByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes + QByteArray("\r\0\r\n\xff\xff\xff", 7); // carriage returns binary Telnet leaves alone
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QStringList dumpLines(const HexDump &dump)
{
    QStringList lines;
    for (qsizetype i = 0; i < dump.lineCount(); ++i)
        lines << dump.line(i);
    return lines;
}

// The speed and stop bits a pseudo-terminal's termios hold (Linux keeps it at 8 bits, no parity).
QString ptyFormat(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    const bool read = fd >= 0 && ::tcgetattr(fd, &tio) == 0;
    if (fd >= 0)
        ::close(fd);
    const speed_t speed = cfgetospeed(&tio);
    return read ? QStringLiteral("%1 baud, %2 stop bits")
                      .arg(speed == B57600  ? 57600
                           : speed == B9600 ? 9600
                                            : 0)
                      .arg(tio.c_cflag & CSTOPB ? 2 : 1)
                : QStringLiteral("unreadable");
}

QString connecting(const QString &url)
{
    return QStringLiteral("Connecting to %1...").arg(url);
}

// A listening socket that answers no one: its queue is full, so a connection gets no reply.
struct SilentServer
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port = 0;
    QTcpSocket filler;

    SilentServer()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 || ::listen(fd, 0) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            return;
        port = ntohs(address.sin_port);
        filler.connectToHost(QHostAddress::LocalHost, port);
        filler.waitForConnected(2000);
    }
    ~SilentServer() { ::close(fd); }
};

} // namespace

// Network ports: the URL forms, ser2net from Debian's package serving a pseudo-terminal over
// RFC 2217 and raw TCP, a scripted RFC 2217 peer for the lines and hostile input, tavro-prog.
class TestNetwork : public QObject
{
    Q_OBJECT
private slots:
    void urlsAreTakenOrRefusedByName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result"); // the URL taken, or a word of the refusal
        QTest::newRow("name") << "rfc2217://rack1:2001"
                              << "rfc2217://rack1:2001";
        QTest::newRow("raw, upper case") << " SOCKET://10.0.0.7:4001"
                                         << "socket://10.0.0.7:4001";
        QTest::newRow("IPv6") << "rfc2217://[::1]:65535"
                              << "rfc2217://[::1]:65535";
        QTest::newRow("scheme") << "telnet://rack1:2001"
                                << "not a kind";
        QTest::newRow("no port") << "rfc2217://rack1"
                                 << "no port";
        QTest::newRow("port 0") << "rfc2217://rack1:0"
                                << "1 to 65535";
        QTest::newRow("port too big") << "socket://rack1:65536"
                                      << "1 to 65535";
        QTest::newRow("path") << "rfc2217://rack1:2001/x"
                              << "1 to 65535";
        QTest::newRow("no host") << "rfc2217://:2001"
                                 << "no host";
        QTest::newRow("bare IPv6") << "rfc2217://::1:2001"
                                   << "brackets";
        QTest::newRow("name in brackets") << "rfc2217://[rack1]:2001"
                                          << "not an IPv6";
        QTest::newRow("bad IPv4") << "rfc2217://300.1.1.1:2001"
                                  << "not a host";
        QTest::newRow("user") << "rfc2217://me@rack1:2001"
                              << "not a host";
    }
    void urlsAreTakenOrRefusedByName()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QString error;
        const std::optional<NetworkAddress> address = NetworkAddress::parse(text, &error);
        if (address)
            QCOMPARE(address->url(), result);
        else
            QVERIFY2(error.startsWith(text.trimmed() + ": ") && error.contains(result), qPrintable(error));
        QCOMPARE(address.has_value(), result.contains("://"));
    }

    void portMapNamesANetworkPort()
    {
        QTemporaryDir dir;
        const PortMap map(writeFile(dir, "ports.ini", "[Ports]\nCom5=rfc2217://[::1]:2001\nCom6=rfc2217://rack1\n"));
        const MSComm::DeviceFactory factory = makeDeviceFactory(map, nullptr);
        QString error;
        const std::unique_ptr<SerialDevice> device = factory(5, &error);
        QVERIFY(qobject_cast<NetworkDevice *>(device.get()));
        QCOMPARE(device->description(), "rfc2217://[::1]:2001");
        QVERIFY(device->refusesProgramming()->contains("run tavro-prog on the machine the board is plugged into"));
        QVERIFY(!factory(6, &error));
        QVERIFY2(error.startsWith("rfc2217://rack1: no port"), qPrintable(error));
    }

    void everyByteBothWays_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::newRow("rfc2217") << true;
        QTest::newRow("raw tcp") << false;
    }
    void everyByteBothWays()
    {
        QFETCH(bool, telnet);
        Ser2net server;
        if (!server.usable())
            return;
        auto board = server.pty.openBoard();
        QVERIFY(board);
        NetPort port(server.url(telnet));
        QVERIFY(!port.comm.open());
        QVERIFY(port.comm.connecting());
        QVERIFY(!port.comm.Output(everyByte())); // queued until the server accepts
        QTRY_COMPARE(port.connects, 1);
        QByteArray got;
        QTRY_COMPARE((got += board->readAll()), everyByte());
        board->write(everyByte());
        QTRY_COMPARE(port.received, everyByte());
        if (!telnet) {
            QVERIFY(port.comm.setDTREnable(true)->contains("raw TCP"));
            QVERIFY(port.comm.setFormat({57600})->contains("raw TCP"));
        }
        QVERIFY(port.failures.isEmpty() && port.losses.isEmpty());
    }

    void formatArrivesAtThePty()
    {
        Ser2net server;
        if (!server.usable())
            return;
        NetPort port(server.url(true));
        const LineFormat asked[] = {{57600, QSerialPort::EvenParity, 7, QSerialPort::TwoStop},
                                    {9600, QSerialPort::OddParity, 8, QSerialPort::OneStop}};
        QVERIFY(!port.comm.setFormat(asked[0]));
        QVERIFY(port.openAndConnect());
        for (const LineFormat &format : asked) {
            QVERIFY(!port.comm.setFormat(format));
            QTRY_COMPARE(ptyFormat(server.pty.host()),
                         QStringLiteral("%1 baud, %2 stop bits").arg(format.baudRate).arg(format.stopBits));
            QTRY_VERIFY(port.comm.reportedFormat() == format); // as the server answered, parity and data bits too
        }
    }

    void unreachableAndRefusedAreOneMessage_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("why");
        QTest::newRow("refused") << "127.0.0.1"
                                 << "refused the connection";
        QTest::newRow("no answer") << "silent"
                                   << "no answer from";
        QTest::newRow("unknown host") << "no-such-host.invalid"
                                      << "";
    }
    void unreachableAndRefusedAreOneMessage()
    {
        QFETCH(QString, host);
        QFETCH(QString, why);
        const SilentServer silent;
        const quint16 portNumber = host == "silent" ? silent.port : freePorts(1).first();
        const QString hostAndPort = QStringLiteral("%1:%2").arg(host == "silent" ? "127.0.0.1" : host).arg(portNumber);
        NetPort port("rfc2217://" + hostAndPort, 500);
        QVERIFY(!port.comm.open());
        QTRY_COMPARE_WITH_TIMEOUT(port.failures.size(), 1, 10000);
        QTest::qWait(600); // past the timeout: nothing more
        QCOMPARE(port.failures.size(), 1);
        QVERIFY2(port.failures[0].startsWith("rfc2217://" + hostAndPort + ": could not connect: ")
                     && port.failures[0].contains(why),
                 qPrintable(port.failures[0]));
        QVERIFY(!port.comm.PortOpen() && port.connects == 0 && port.losses.isEmpty());
    }

    void killedServerIsLostOnce()
    {
        Ser2net server;
        if (!server.usable())
            return;
        NetPort port(server.url(true));
        QVERIFY(port.openAndConnect());
        server.kill();
        QTRY_COMPARE(port.losses.size(), 1);
        QTest::qWait(300);
        QCOMPARE(port.losses, QStringList{server.url(true) + ": the server closed the connection"});
        QVERIFY(!port.comm.PortOpen());
        QVERIFY(port.comm.Output("x")); // refused, not queued
    }

    // A scripted peer: our bytes checked byte for byte, its answers and notifications taken.
    void peerGetsEachLineChangeInOrderAndTellsCts()
    {
        ScriptedPeer peer;
        QVERIFY(peer.connect());
        NetPort &port = *peer.port;
        QTcpSocket *server = peer.server;
        QVERIFY(!port.comm.setDTREnable(true) && !port.comm.setRTSEnable(true) && !port.comm.setBreak(true)
                && !port.comm.setBreak(false) && !port.comm.Output("\xff!"));
        const QByteArray expected = hex("fffb2c fffb00 fffd00 fffd03"            // COM-PORT, binary, go-ahead
                                        "fffa2c0100002580fff0 fffa2c0208fff0"    // 9600 baud, 8 bits
                                        "fffa2c0301fff0 fffa2c0401fff0"          // no parity, 1 stop bit
                                        "fffa2c0501fff0 fffa2c0bb0fff0"          // no flow control; CTS, DSR, CD
                                        "fffa2c0c03fff0"                         // purge both
                                        "fffa2c0509fff0 fffa2c050cfff0"          // DTR, RTS off at open
                                        "fffa2c0508fff0 fffa2c050bfff0"          // DTR on, RTS on
                                        "fffa2c0505fff0 fffa2c0506fff0 ffff21"); // break on, off; data
        QByteArray got;
        QTRY_COMPARE((got += server->readAll()), expected);

        QVERIFY(!port.comm.CTSHolding());
        server->write(hex("fffa2c6b10fff0 fffa2c6500012c00fff0")); // CTS on; the speed answered as 76800
        QTRY_VERIFY(port.comm.CTSHolding());
        QTRY_COMPARE(port.comm.reportedFormat()->baudRate, 76800);
        server->write(hex("fffa2c6b00fff0"));
        QTRY_VERIFY(!port.comm.CTSHolding());
        server->write(hex("fffe2c")); // the server refuses the COM-PORT option after all
        QTRY_VERIFY(port.comm.setDTREnable(false).value_or("").contains("refuses the COM-PORT option"));
    }

    void streamInGulpsLosesNoByteWhenItStops()
    {
        // Pieces close together are read in gulps, the socket keeping one byte meanwhile (perhaps
        // half of a doubled 0xFF); when the stream stops, that byte still comes.
        ScriptedPeer peer;
        QVERIFY(peer.connect());
        NetPort &port = *peer.port;
        QTcpSocket *server = peer.server;
        server->setSocketOption(QAbstractSocket::LowDelayOption, 1); // each piece goes when written
        const QByteArray stream = everyByte().repeated(8);
        for (qsizetype at = 0; at < stream.size(); at += 61) {
            server->write(Telnet::escaped(stream.mid(at, 61)));
            server->flush();
            QTest::qWait(1);
        }
        QTRY_COMPARE(port.received, stream);
    }

    void hostilePeerStaysBounded()
    {
        ScriptedPeer peer;
        QVERIFY(peer.connect());
        NetPort &port = *peer.port;
        QTcpSocket *server = peer.server;
        QTRY_VERIFY(server->bytesAvailable() > 0);
        QTest::qWait(100);
        server->readAll();
        // A megabyte of subnegotiation, then a flood of options, each asked and taken back again.
        server->write(hex("fffa2c64") + QByteArray(1 << 20, 'A') + hex("fff0") + "hello");
        QByteArray flood;
        for (int round = 0; round < 40; ++round)
            for (int option = 0; option < 256; ++option)
                flood += hex("fffb") + char(option) + hex("fffd") + char(option) + hex("fffc") + char(option);
        server->write(flood + "world");
        QTRY_COMPARE(port.received, "helloworld");
        QTest::qWait(200);
        const qsizetype answered = server->readAll().size();
        QVERIFY2(answered <= 2 * 256 * TelnetOptions::kMaxAnswers * 3, qPrintable(QString::number(answered)));
        QVERIFY(port.comm.PortOpen() && port.losses.isEmpty());
    }

    // Through the real session: keys and what the board sends, every byte value, and a pick in
    // the speed list, which raw TCP cannot apply and says so.
    void sessionCarriesEveryByteBothWays_data() { everyByteBothWays_data(); }
    void sessionCarriesEveryByteBothWays()
    {
        QFETCH(bool, telnet);
        ServedBoard served(telnet);
        if (!served.server.usable())
            return;
        auto &[server, board, f] = served;
        QVERIFY(board);
        TerminalSession &s = f.openSession(3);
        QCOMPARE(f.status, connecting(server.url(telnet)));
        QVERIFY(s.setHexView(true));
        for (const char byte : everyByte())
            QCOMPARE(s.typeKey(quint8(byte)), TerminalSession::Key::Sent); // queued while connecting
        QTRY_COMPARE(f.status, QStringLiteral("Settings: 9600,n,8,1"));
        QByteArray got;
        QTRY_COMPARE((got += board->readAll()), everyByte());
        board->write(everyByte());
        HexDump sent;
        sent.append(everyByte());
        QTRY_COMPARE(dumpLines(*s.views().hexDump()), dumpLines(sent));
        QCOMPARE(s.chooseSpeed("57600"), telnet);
        if (telnet)
            QTRY_COMPARE(ptyFormat(server.pty.host()), QStringLiteral("57600 baud, 1 stop bits"));
        QCOMPARE(f.shownTexts().join("").contains("raw TCP"), !telnet);
        QCOMPARE(f.messages.shown.size(), telnet ? 0 : 1);
    }

    // ser2net killed and started again: the session waits, reopens by itself with the settings it
    // had, and the log holds what the board sent before and after, in order, once.
    void sessionReconnectsWhenTheServerIsBack()
    {
        ServedBoard served(true);
        if (!served.server.usable())
            return;
        auto &[server, board, f] = served;
        QVERIFY(board);
        QTemporaryDir dir;
        TerminalSession &s = f.openSession(3);
        f.files.choices.push_back(dir.filePath("board.log"));
        s.openLog();
        QTRY_COMPARE(f.status, QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(s.chooseSpeed("57600"));
        // ser2net may drop what waits in the pty while it applies a speed: the board starts after.
        QTRY_COMPARE(ptyFormat(server.pty.host()), QStringLiteral("57600 baud, 1 stop bits"));
        board->write("before;");
        QTRY_COMPARE(s.text(), QStringLiteral("before;"));
        server.kill();
        QTRY_VERIFY2(f.status.contains("waiting for it to come back") || f.status.startsWith("Waiting: "),
                     qPrintable(f.status));
        QTest::qWait(2500); // tries meanwhile are refused
        server.restart();
        QTRY_COMPARE_WITH_TIMEOUT(f.status, QStringLiteral("Settings: 57600,n,8,1 (reconnected)"), 15000);
        QTRY_COMPARE(ptyFormat(server.pty.host()), QStringLiteral("57600 baud, 1 stop bits"));
        board->write("after;");
        QTRY_COMPARE(s.text(), QStringLiteral("before;after;"));
        s.closeLog();
        QCOMPARE(fileContents(dir.filePath("board.log")), QByteArray("before;after;"));
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.shownTexts().join('\n'))); // no box per try
    }

    // A server that takes each connection and drops it at once (its own device missing, say) is
    // tried again spaced out, not every fifth of a second, and without a box per try.
    void droppingServerIsTriedSpacedOut()
    {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        int connections = 0;
        QObject::connect(&peer, &QTcpServer::newConnection, [&] {
            while (QTcpSocket *client = peer.nextPendingConnection()) {
                ++connections;
                client->disconnectFromHost();
            }
        });
        TerminalFixture f;
        f.devices[3] = QStringLiteral("rfc2217://127.0.0.1:%1").arg(peer.serverPort());
        f.openSession(3);
        QTest::qWait(4500);
        // The user's open, then tries after about 0.2, 1 and 2 seconds.
        QVERIFY2(connections >= 3 && connections <= 4, qPrintable(QString::number(connections)));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void sessionOpenThatCannotConnect_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("cancel"); // closed by the user while connecting
        QTest::addColumn<QString>("why");
        QTest::newRow("refused") << "127.0.0.1" << false << "refused the connection";
        QTest::newRow("unknown host") << "no-such-host.invalid" << false << "";
        QTest::newRow("closed while connecting") << "silent" << true << "";
    }
    void sessionOpenThatCannotConnect()
    {
        QFETCH(QString, host);
        QFETCH(bool, cancel);
        QFETCH(QString, why);
        const SilentServer silent;
        const QString url = QStringLiteral("rfc2217://%1:%2")
                                .arg(host == "silent" ? "127.0.0.1" : host)
                                .arg(host == "silent" ? silent.port : freePorts(1).first());
        TerminalFixture f;
        f.devices[3] = url;
        TerminalSession &s = f.openSession(3);
        QCOMPARE(f.status, connecting(url));
        QVERIFY(s.facts().portOpen);
        if (cancel)
            s.togglePort();
        else
            QTRY_COMPARE_WITH_TIMEOUT(f.messages.shown.size(), 1, 10000);
        QTest::qWait(300);
        QCOMPARE(f.messages.shown.size(), cancel ? 0 : 1);
        if (!cancel)
            QVERIFY2(f.shownTexts()[0].startsWith(url + ": could not connect: ") && f.shownTexts()[0].contains(why),
                     qPrintable(f.shownTexts()[0]));
        QVERIFY(!s.facts().portOpen && !s.facts().waitingForDevice);
        QCOMPARE(f.status, QStringLiteral("Settings: "));
    }

    // A scripted server: the format it answers is what the session shows, "ResetCPU" pulses DTR
    // and sends a space, in order, and "Prog" is refused before anything moves.
    void sessionShowsTheAnswerPulsesResetAndRefusesProg()
    {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        TerminalFixture f;
        f.devices[3] = QStringLiteral("rfc2217://127.0.0.1:%1").arg(peer.serverPort());
        TerminalSession &s = f.openSession(3);
        QTRY_VERIFY(peer.hasPendingConnections());
        QTcpSocket *server = peer.nextPendingConnection();
        QTRY_COMPARE(f.status, QStringLiteral("Settings: 9600,n,8,1"));
        QTest::qWait(100);
        server->readAll();                                         // the opening
        server->write(hex("fffa2c6500012c00fff0 fffa2c6607fff0")); // 76800 baud and 7 bits in force
        QTRY_COMPARE(f.status, QStringLiteral("Settings: 76800,n,7,1"));
        QCOMPARE(s.properties().speed, QStringLiteral("76800"));
        bool programming = false;
        QObject::connect(&s, &TerminalSession::programmingChanged, [&] { programming = true; });
        s.toggleProgramming();
        QVERIFY(!programming && f.messages.shown.size() == 1);
        QVERIFY(f.shownTexts()[0].contains("run tavro-prog on the machine the board is plugged into"));
        QCOMPARE(s.resetTarget(), TerminalSession::Key::Sent);
        QByteArray got;
        QTRY_COMPARE((got += server->readAll()), hex("fffa2c0508fff0 fffa2c0509fff0 20"));
    }

    // A paced transfer waits for the board's prompt after each line, through ser2net.
    void pacedTransferWaitsForEachPrompt()
    {
        ServedBoard served(true);
        if (!served.server.usable())
            return;
        auto &[server, board, f] = served;
        QVERIFY(board);
        QTemporaryDir dir;
        f.waits.eolTimeoutMs = 10000;
        for (const auto &[key, value] : {std::pair{"TextEOLCheck", "1"}, {"TextEOLValue", "62"}})
            f.set(key, value);
        f.set("LastTextFile", writeFile(dir, "PROG.DLX", "10 A=1\r\n20 PRINT A\r\n30 END\r\n"));
        TerminalSession &s = f.openSession(3);
        QTRY_VERIFY(f.status.startsWith("Settings: "));
        // The board answers each CR with its prompt '>' and more in the same write, a little later.
        QObject::connect(board.get(), &QSerialPort::readyRead, [&] {
            const QByteArray line = board->readAll();
            QTimer::singleShot(50, [&board, line] { board->write(QByteArray(line).replace("\r", "\r>ok\r")); });
        });
        QElapsedTimer clock;
        clock.start();
        s.resendTextFile();
        QVERIFY2(clock.elapsed() >= 3 * 50 && clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE(s.text(), QStringLiteral("10 A=1\r\n>ok\r\n20 PRINT A\r\n>ok\r\n30 END\r\n>ok\r\n"));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void progProbesAndRefusesWriteBeforeConnecting()
    {
        Ser2net server;
        if (!server.usable())
            return;
        QTemporaryDir home;
        QProcess prog;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        prog.setProcessEnvironment(env);
        const auto run = [&prog](const QStringList &arguments) {
            prog.start(QStringLiteral(TAVRO_PROG), arguments);
            return prog.waitForFinished(20000) ? prog.exitCode() : -1;
        };
        QCOMPARE(run({"--port", server.url(true), "probe"}), 0);
        const QString report = prog.readAllStandardOutput();
        for (const char *line : {"Server: ser2net", "as the server answered: 115200,n,8,1, flow control none",
                                 "Modem state: CTS off", "Programming is not offered: "})
            QVERIFY2(report.contains(line), qPrintable(report));

        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        const QString hexFile = writeFile(home, "one.hex", ":0100000000FF\n:00000001FF\n");
        QCOMPARE(run({"--port", QStringLiteral("rfc2217://127.0.0.1:%1").arg(peer.serverPort()), "write", hexFile}), 3);
        QVERIFY(prog.readAllStandardError().contains("run tavro-prog on the machine the board is plugged into"));
        QTest::qWait(100);
        QVERIFY(!peer.hasPendingConnections()); // refused before connecting
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
