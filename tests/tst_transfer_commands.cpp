#include "FakeSenderHost.h"
#include "TestFiles.h"
#include "common/AppState.h"
#include "transfer/LineReader.h"
#include "transfer/TransmitCommands.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The lines as the rule defines them, worked out the slow and obvious way.
QList<QByteArray> referenceLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    QByteArray current;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines.append(current);
            current.clear();
            open = false;
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current.append(text[i]);
            open = true;
        }
    }
    if (open)
        lines.append(current);
    return lines;
}

QList<QByteArray> readAllLines(const QString &path, qsizetype pieceSize)
{
    QString error;
    auto reader = LineReader::open(path, &error, pieceSize);
    QList<QByteArray> lines;
    QByteArray current;
    Failure failure;
    while (auto piece = reader->next(failure)) {
        if (piece->bytes.size() > pieceSize)
            return {"<piece too big>"};
        current += piece->bytes;
        if (piece->lineEnd) {
            lines.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty() || failure)
        lines.append("<unfinished>");
    return lines;
}

} // namespace

class TestTransmitCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();

    // Reading lines
    void linesMatchTheRuleForEveryPieceSize();
    void randomTextSplitsAsTheRuleSays();

    // Choosing a file
    void dialogAsksForTextFiles();
    void cancelWithNoFileEverChosenLeavesResendOff();
    void cancelAfterEarlierTransferKeepsLastFile();
    void missingNameIsReportedAndDialogReturns();
    void chosenFileIsSent();
    void failedLookupEnablesOnlyTheTransmitPair();

    // Sending again
    void resendWithoutFileDoesNothing();
    void resendSendsLastFileAgain();
    void resendOfDeletedFileReportsAndRestores();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestTransmitCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestTransmitCommands::linesMatchTheRuleForEveryPieceSize()
{
    const QByteArray text("abcd\r\nabcd\rabc\r\r\n\n\r\nx\ny\r\r\rtail-without-end");
    const QString path = writeFile(*m_dir, "t.txt", text);
    for (qsizetype size = 1; size <= 9; ++size)
        QCOMPARE(readAllLines(path, size), referenceLines(text));
}

void TestTransmitCommands::randomTextSplitsAsTheRuleSays()
{
    QRandomGenerator random(4711);
    const char alphabet[] = {'a', '\r', '\n', 'b', '\0', '\xff'};
    for (int round = 0; round < 200; ++round) {
        QByteArray text;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i)
            text.append(alphabet[random.bounded(6)]);
        const QString path = writeFile(*m_dir, "r.txt", text);
        const qsizetype size = 1 + random.bounded(6);
        QCOMPARE(readAllLines(path, size), referenceLines(text));
    }
}

void TestTransmitCommands::dialogAsksForTextFiles()
{
    FakeSenderHost host;
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QCOMPARE(host.fileDialog.requests.size(), 1);
    QCOMPARE(host.fileDialog.requests[0].title, QStringLiteral("Send Text File"));
    QCOMPARE(host.fileDialog.requests[0].filter,
             QStringLiteral("Text Files (*.dlx,*.bas,*hex)|*.dlx;*.hex;*.bas|All Files (*.*)|*.*"));
}

void TestTransmitCommands::cancelWithNoFileEverChosenLeavesResendOff()
{
    FakeSenderHost host;
    host.transmitOn = host.resendOn = true;
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QVERIFY(host.transmitOn);
    QVERIFY(!host.resendOn);
    QVERIFY(host.lastFile.isEmpty());
    QVERIFY(host.sent.isEmpty());
}

void TestTransmitCommands::cancelAfterEarlierTransferKeepsLastFile()
{
    FakeSenderHost host;
    host.lastFile = QStringLiteral("/earlier/file.dlx");
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QVERIFY(host.transmitOn && host.resendOn);
    QCOMPARE(host.lastFile, QStringLiteral("/earlier/file.dlx"));
    QCOMPARE(host.events.mid(0, 2), (QStringList{"transmit:0", "resend:0"})); // disabled before the dialog
}

void TestTransmitCommands::missingNameIsReportedAndDialogReturns()
{
    FakeSenderHost host;
    const QString missing = m_dir->filePath("typo.dlx");
    host.fileDialog.choices.push_back(missing);
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QCOMPARE(host.messageBox.shown.size(), 1);
    QCOMPARE(host.messageBox.shown[0].text, missing + " not found!");
    QCOMPARE(host.messageBox.shown[0].icon, MessageBox::Icon::Exclamation);
    QCOMPARE(host.fileDialog.requests.size(), 2);
    QCOMPARE(host.lastFile, missing); // kept after the second dialog was cancelled
    QVERIFY(host.transmitOn && host.resendOn);
}

void TestTransmitCommands::chosenFileIsSent()
{
    FakeSenderHost host;
    const QString path = writeFile(*m_dir, "p.bas", "10 END\r\n");
    host.fileDialog.choices.push_back(path);
    bool disabledWhileSending = false;
    host.onOutput = [&](const QByteArray &) { disabledWhileSending = !host.transmitOn && !host.resendOn; };
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QCOMPARE(host.wire(), QByteArray("10 END\r"));
    QVERIFY(disabledWhileSending);
    QCOMPARE(host.lastFile, path);
    QVERIFY(host.transmitOn && host.resendOn);
}

void TestTransmitCommands::failedLookupEnablesOnlyTheTransmitPair()
{
    FakeSenderHost host;
    host.lastFile = QStringLiteral("/earlier.dlx");
    host.fileDialog.choices.push_back(m_dir->filePath(QString(400, QLatin1Char('n'))));
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mnuSendText_Click();
    QCOMPARE(host.messageBox.shown.size(), 1);
    QVERIFY(!host.messageBox.shown[0].text.endsWith(" not found!"));
    QVERIFY(host.transmitOn && host.resendOn); // the path is the last file now, as the rule says
    QCOMPARE(host.fileDialog.requests.size(), 1);
}

void TestTransmitCommands::resendWithoutFileDoesNothing()
{
    FakeSenderHost host;
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mmuResendTextFile();
    QVERIFY(host.events.isEmpty());
}

void TestTransmitCommands::resendSendsLastFileAgain()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "again.txt", "x\r");
    TextSender sender(host, host.app, 1500);
    TransmitCommands commands(host, sender);
    commands.mmuResendTextFile();
    commands.mmuResendTextFile();
    QCOMPARE(host.wire(), QByteArray("x\rx\r"));
    QVERIFY(host.fileDialog.requests.isEmpty());
    QCOMPARE(host.events.mid(0, 2), (QStringList{"transmit:0", "resend:0"}));
}

void TestTransmitCommands::resendOfDeletedFileReportsAndRestores()
{
    FakeSenderHost host;
    host.lastFile = writeFile(*m_dir, "del.txt", "x\r");
    QFile::remove(host.lastFile);
    TextSender sender(host, host.app, 1500);
    TransmitCommands(host, sender).mmuResendTextFile();
    QCOMPARE(host.messageBox.shown.size(), 1);
    QVERIFY(host.messageBox.shown[0].text.contains("del.txt"));
    QVERIFY(host.transmitOn && host.resendOn);
    QVERIFY(host.sent.isEmpty());
}

QTEST_GUILESS_MAIN(TestTransmitCommands)
#include "tst_transfer_commands.moc"
