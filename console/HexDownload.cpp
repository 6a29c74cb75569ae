// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppState.h"
#include "common/AppTitle.h"
#include "common/EventWait.h"
#include "console/ConsoleHost.h"
#include "console/Module1.h"
#include "programmer/ChipMemory.h"
#include "programmer/IntelHex.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file as the download walks it: the ':' search, a record's text, and the progress bar,
// which counts down the characters still to read.
class HexReader
{
public:
    HexReader(QFile &file, ConsoleHost &host)
        : m_file(file)
        , m_host(host)
    {
        m_left = int(std::min<qint64>(file.size(), std::numeric_limits<int>::max()));
        m_host.setProgress(m_left, m_left);
    }

    // One character of the ':' search; nothing at the end of the file.
    std::optional<char> next()
    {
        char c;
        if (!m_file.getChar(&c))
            return std::nullopt;
        if (c == '\n')
            ++m_line;
        count(1);
        return c;
    }

    // What follows the ':' up to the line end, which stays for the next search.
    QByteArray recordText()
    {
        QByteArray text;
        char c;
        while (m_file.getChar(&c)) {
            if (c == '\r' || c == '\n') {
                m_file.ungetChar(c);
                break;
            }
            text += c;
        }
        count(int(text.size()));
        return text;
    }

    int line() const { return m_line; }
    bool atEnd() const { return m_file.atEnd(); }

private:
    void count(int characters)
    {
        m_left -= characters;
        m_host.setProgress(-1, std::max(m_left, 0));
    }

    QFile &m_file;
    ConsoleHost &m_host;
    int m_left = 0;
    int m_line = 1;
};

// The record's fields as the console reads them, two characters each: count, the two address
// bytes, type, count data bytes and the checksum, as far as the text holds them.
QStringList fieldsOf(const QByteArray &text)
{
    bool ok = false;
    const int count = text.left(2).toInt(&ok, 16);
    const int fields = 5 + (ok ? count : 0);
    QStringList pairs;
    for (int i = 0; i < fields && 2 * i < text.size(); ++i)
        pairs << QString::fromLatin1(text.mid(2 * i, 2));
    return pairs;
}

QString faultMessage(const IntelHex::Fault &fault)
{
    if (fault.checksum)
        return QStringLiteral("Check sum error in above line");
    return fault.reason.left(1).toUpper() + fault.reason.mid(1) + QStringLiteral(" in above line");
}

} // namespace

void Module1::HexDownload()
{
    const std::optional<QString> path =
        m_host.chooseFile({QStringLiteral("Open Communications Log File"),
                           QStringLiteral("Hex Files (*.HEX)|*.hex;*.obj|All Files (*.*)|*.*")});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_host.messages().warn(QStringLiteral("%1: %2").arg(*path, file.errorString()));
        return;
    }
    m_host.setCaption(kAppTitle + QStringLiteral(" - ") + QFileInfo(*path).fileName());
    m_host.setDownloadRunning(true);
    m_app.CancelSend = false;

    ChipMemory &chip = m_host.chip();
    // The closing steps run however the download ends.
    struct Closing
    {
        ConsoleHost &host;
        ChipMemory &chip;
        ~Closing()
        {
            host.setDownloadRunning(false);
            try {
                chip.ClearRTS();
            } catch (const std::exception &) {
                // the port is gone; nothing left to release
            }
        }
    } closing{m_host, chip};

    HexReader reader(file, m_host);
    IntelHex::Placer placer(quint32(ChipMemory::lastAddress(m_app.DataSpace)));
    while (m_app.ProgMode) {
        chip.ProgrammingEnable();
        std::optional<char> c;
        while ((c = reader.next()) && *c != ':') {
            if (m_app.CancelSend)
                return;
            EventWait::pending();
        }
        if (!c || m_app.CancelSend)
            return;           // the end of the file, or a cancel seen with the ':' itself
        EventWait::pending(); // a cancel now lets this record finish

        const QByteArray text = reader.recordText();
        for (const QString &pair : fieldsOf(text))
            ConsolePrint(pair);
        const auto placed = placer.place(text, reader.line());
        if (const auto *fault = std::get_if<IntelHex::Fault>(&placed)) {
            ConsolePrint(kCrLf + faultMessage(*fault) + kCrLf);
            m_app.CancelSend = true;
        } else {
            const auto &p = std::get<IntelHex::Placer::Placed>(placed);
            if (p.kind == IntelHex::Placer::Placed::Bytes)
                for (int i = 0; i < p.data.size(); ++i)
                    chip.write(m_app.DataSpace, m_downloadAddress = qint32(p.address) + i, quint8(p.data[i]));
            else if (p.kind == IntelHex::Placer::Placed::Base)
                ConsolePrint(kCrLf
                             + QStringLiteral("Extended addressing: the records that follow are based at H%1")
                                   .arg(QString::number(p.address, 16))
                             + kCrLf);
            else if (p.kind == IntelHex::Placer::Placed::Start)
                ConsolePrint(kCrLf + QStringLiteral("Start address record skipped: extended addressing, no memory data")
                             + kCrLf);
            else
                m_app.CancelSend = true; // the end record, or any record with count 0
        }
        ConsolePrint(kCrLf);
        EventWait::pending();
        if (reader.atEnd() || m_app.CancelSend)
            return;
    }
}
