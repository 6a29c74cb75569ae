#include "console/ConsoleHost.h"
#include "console/Hex.h"
#include "console/Module1.h"
#include "programmer/ChipMemory.h"
#include "terminal/AppState.h"
#include "terminal/AppTitle.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {


// One record as read from the file: every field echoed as it is read, checked as a whole
// before any of its bytes reaches the chip.
struct Record
{
    int count = 0;
    qint32 address = 0;
    int type = 0;
    std::vector<quint8> data;
    QString fault; // why it must not be written; empty when sound
    bool ends = false;
};

// Reads the fields after a ":" and keeps the progress bar and the echo going.
class RecordReader
{
public:
    RecordReader(QFile &file, ConsoleHost &host, int &progress) : m_file(file), m_host(host), m_progress(progress) {}

    // Two characters, echoed; nothing when the file ends first.
    std::optional<QString> ReadHexPair()
    {
        QString pair;
        char c;
        while (pair.size() < 2 && m_file.getChar(&c)) {
            if (c == '\r' || c == '\n') {
                m_file.ungetChar(c); // a line end inside a record leaves it short
                break;
            }
            pair += QLatin1Char(c);
        }
        m_progress -= 2;
        m_host.setProgress(-1, std::max(m_progress, 0));
        m_host.print(pair);
        if (pair.size() < 2)
            return std::nullopt;
        return pair;
    }

    Record read()
    {
        Record r;
        int sum = 0;
        auto field = [&](int &value) {
            const std::optional<QString> pair = ReadHexPair();
            if (!pair) {
                r.fault = QStringLiteral("Incomplete record in above line");
                return false;
            }
            value = Hex::hexToBinary(*pair);
            if (value < 0) {
                r.fault = QStringLiteral("Invalid hex in above line");
                return false;
            }
            sum += value;
            return true;
        };
        int high = 0, low = 0, checksum = 0;
        if (!field(r.count) || !field(high) || !field(low) || !field(r.type))
            return r;
        r.address = high * 256 + low;
        for (int i = 0; i < r.count; ++i) {
            int value = 0;
            if (!field(value))
                return r;
            r.data.push_back(quint8(value));
        }
        if (!field(checksum))
            return r;
        if (sum % 256 != 0)
            r.fault = QStringLiteral("Check sum error in above line");
        return r;
    }

private:
    QFile &m_file;
    ConsoleHost &m_host;
    int &m_progress;
};

struct Verdict
{
    QString note;
    bool stops = false;
};

// What a sound record means here: data to write, the end, or something to say about it.
Verdict judge(Record &r, bool dataSpace)
{
    switch (r.type) {
    case 0x00: {
        const qint32 last = ChipMemory::lastAddress(dataSpace);
        if (r.count > 0 && r.address + r.count - 1 > last)
            return {QStringLiteral("Address outside the memory space in above line (last address H%1)")
                        .arg(QString::number(last, 16)),
                    true};
        r.ends = r.count == 0;
        return {};
    }
    case 0x01:
        r.ends = true;
        return {};
    case 0x02:
    case 0x04:
        if (std::any_of(r.data.begin(), r.data.end(), [](quint8 b) { return b != 0; }))
            return {QStringLiteral("Extended address in above line: this chip has no extended addressing"), true};
        return {QStringLiteral("Extended address record not written: this chip has no extended addressing")};
    case 0x03:
    case 0x05:
        return {QStringLiteral("Start address record not written")};
    default:
        return {QStringLiteral("Unknown record type in above line"), true};
    }
}

} // namespace

void Module1::HexDownload()
{
    AppState &app = appState();
    const std::optional<QString> path = m_host.chooseFile(
        {QStringLiteral("Open Communications Log File"), QStringLiteral("Hex Files (*.HEX)|*.hex;*.obj|All Files (*.*)|*.*"), false});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_host.messages().warn(QStringLiteral("%1: %2").arg(*path, file.errorString()));
        return;
    }
    m_host.setCaption(kAppTitle + QStringLiteral(" - ") + QFileInfo(*path).fileName());
    m_host.showDownloadControls(true);
    int progress = int(std::min<qint64>(file.size(), std::numeric_limits<int>::max()));
    m_host.setProgress(progress, progress);
    app.CancelSend = false;

    ChipMemory &chip = m_host.chip();
    // The closing steps run however the download ends.
    struct Closing
    {
        ConsoleHost &host;
        ChipMemory &chip;
        ~Closing()
        {
            host.showDownloadControls(false);
            try {
                chip.ClearRTS();
            } catch (const std::exception &) {
                // the port is gone; nothing left to release
            }
        }
    } closing{m_host, chip};

    RecordReader reader(file, m_host, progress);
    while (app.ProgMode) {
        chip.ProgrammingEnable();
        bool found = false;
        char c;
        while (!app.CancelSend && file.getChar(&c)) {
            m_host.setProgress(-1, std::max(--progress, 0));
            QCoreApplication::processEvents();
            if (c == ':') {
                found = true;
                break;
            }
        }
        if (!found || app.CancelSend)
            break;
        Record record = reader.read();
        const Verdict verdict = record.fault.isEmpty() ? judge(record, app.DataSpace) : Verdict{record.fault, true};
        if (!verdict.stops && record.type == 0x00)
            for (std::size_t i = 0; i < record.data.size(); ++i)
                chip.write(app.DataSpace, record.address + qint32(i), record.data[i]);
        if (!verdict.note.isEmpty())
            ConsolePrint(kCrLf + verdict.note + kCrLf);
        if (record.ends || verdict.stops)
            app.CancelSend = true;
        ConsolePrint(kCrLf);
        QCoreApplication::processEvents();
        if (file.atEnd() || app.CancelSend)
            break;
    }
}
