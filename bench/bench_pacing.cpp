// Pacing accuracy of the text sender: the measured pause between lines against the set one.
// Usage: bench_pacing [delay-ms ...]   (default: 20 50 100), 100 lines each.
#include "transfer/PacingTimer.h"
#include "terminal/AppState.h"
#include "transfer/SenderHost.h"
#include "transfer/TextSender.h"
#include "terminal/UserDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

class SilentBox : public MessageBox
{
public:
    Answer show(const QString &text, Buttons, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
};

class NoDialog : public FileDialog
{
public:
    std::optional<QString> open(const Request &) override { return std::nullopt; }
};

// Notes when each line's CR went out; everything else is a no-op.
class TimingHost : public SenderHost
{
public:
    TransferSettings settings;
    QString file;
    QList<double> lineEnds; // ms
    SilentBox box;
    NoDialog dialog;
    OwnPacingTimer shared;

    TimingHost() { m_clock.start(); }
    Failure output(const QByteArray &bytes) override
    {
        if (bytes.endsWith('\r'))
            lineEnds.append(m_clock.nsecsElapsed() / 1e6);
        return std::nullopt;
    }
    int pendingOutput() const override { return 0; }
    void receiveWaitingInput() override {}
    void setBinaryInputMode() override {}
    QString portSettings() const override { return QStringLiteral("9600,n,8,1"); }
    void setStatusText(const QString &) override {}
    void setCaption(const QString &) override {}
    void setTransmitEnabled(bool) override {}
    void setResendEnabled(bool) override {}
    TransferSettings transferSettings() const override { return settings; }
    bool eolReceived() const override { return false; }
    void clearEolReceived() override {}
    QString lastTextFile() const override { return file; }
    void setLastTextFile(const QString &path) override { file = path; }
    MessageBox &messages() override { return box; }
    FileDialog &files() override { return dialog; }
    PacingTimer &timer() override { return shared; }

private:
    QElapsedTimer m_clock;
};

void measure(const QString &path, int delayMs, int lines)
{
    TimingHost host;
    host.file = path;
    host.settings.chkLineDelay = true;
    host.settings.txtLineDelay = QString::number(delayMs);
    TextSender(host).SendText();
    double sum = 0, worst = 0;
    const int gaps = int(host.lineEnds.size()) - 1;
    for (int i = 1; i <= gaps; ++i) {
        const double error = host.lineEnds[i] - host.lineEnds[i - 1] - delayMs;
        sum += error;
        worst = std::max(worst, std::abs(error));
    }
    std::printf("%8d ms %8d %+12.2f ms %12.2f ms\n", delayMs, lines, gaps > 0 ? sum / gaps : 0.0, worst);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> delays;
    for (int i = 1; i < argc; ++i)
        delays.append(std::atoi(argv[i]));
    if (delays.isEmpty())
        delays = {20, 50, 100};
    constexpr int kLines = 100;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < kLines; ++i)
        file.write("10 PRINT \"HELLO\"\r\n");
    file.close();
    std::printf("%11s %8s %15s %15s\n", "line pause", "lines", "mean error", "worst error");
    for (int delay : delays)
        measure(path, delay, kLines);
    return 0;
}
