// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/CommandLine.h"

#include "common/ShownPath.h"
#include "programmer/ChipMemory.h"
#include "serial/MSComm.h"
#include "serial/PortMap.h"
#include "settings/PropertiesModel.h"
#include "settings/StoredProperties.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

const QString kDescription =
    QStringLiteral("Programs the chip on the board behind a Tavro Terminal port from an Intel-HEX file, proves\n"
                   "that the chip holds it, and backs the chip's memory up to a file.\n"
                   "\n"
                   "Commands:\n"
                   "  write FILE     hold the target in reset (DTR), enable programming once, write every byte\n"
                   "                 FILE sets, then read each one back and compare\n"
                   "  verify FILE    only compare the chip with FILE\n"
                   "  read -o FILE   save the chip's memory, all of it or --range, as an Intel-HEX file\n"
                   "  probe          what write would meet: the device behind the port, the back end it\n"
                   "                 would take (--backend, else the port map's ComNBackend), the round\n"
                   "                 trip of a line change and the time 8 KiB would take; what write\n"
                   "                 refuses, probe refuses with the same message and exit status; on a\n"
                   "                 network port, what its server reports\n"
                   "  list           Com1-Com16: the device behind each, what the system says it is (driver,\n"
                   "                 USB vendor:product, serial number, description, /dev/serial/by-id\n"
                   "                 link) and where the number came from: the port map, the automatic\n"
                   "                 order or the built-in simulated board\n"
                   "\n"
                   "Program memory spans 0000-1FFF, data memory (--data) 000-7FF. FILE is read and checked\n"
                   "as a whole before the port is opened: a bad checksum, a non-hex field, a wrong byte count,\n"
                   "an unknown record type, data outside the memory or two values for one address stop the\n"
                   "run with the line number and the chip is not touched.\n"
                   "\n"
                   "The port map is ~/.config/Tavro Terminal/ports.ini. If it cannot be read (no permission,\n"
                   "a folder, binary data, more than 64 KiB), ComN and simulated-board are refused until it\n"
                   "is mended or removed; a key given twice is said once, and the last one is used.\n"
                   "\n"
                   "read writes a regular FILE whole or not at all (the old one stays on any failure, a\n"
                   "file-size limit included); a device, a FIFO or - (standard output, refused when closed)\n"
                   "is written directly, and waiting for a FIFO's reader ends with Ctrl-C. Before it starts,\n"
                   "tavro-prog names the device behind the port. On a terminal a progress bar shows the\n"
                   "bytes done and the time left; otherwise only results are printed. Whatever ends the run\n"
                   "(Ctrl-C included), the target is released: DTR and RTS cleared, break off.\n"
                   "\n"
                   "A network port (rfc2217://HOST:PORT, socket://HOST:PORT) is probed only: the chip's\n"
                   "timed waits cannot be kept across a network, so write, verify and read are refused there;\n"
                   "run tavro-prog on the machine the board is plugged into.");

const QString kEpilogue =
    QStringLiteral("\n"
                   "Exit status:\n"
                   "  0    done; everything written or compared verified\n"
                   "  1    the chip differs from the file (the first differences are listed)\n"
                   "  2    bad command line, or a file that cannot be read or written (a full disk, a file-size\n"
                   "       limit, a port map that cannot be read); nothing was written to the chip\n"
                   "  3    the port or the chip failed: busy, missing, no modem-control lines, lost\n"
                   "  130  interrupted; the target was released\n"
                   "\n"
                   "Examples:\n"
                   "  tavro-prog --port Com3 write blink.hex\n"
                   "  tavro-prog --port /dev/ttyUSB0 --invert-data verify blink.hex\n"
                   "  tavro-prog --port simulated-board --data read -o eeprom.hex\n"
                   "  tavro-prog read --range 100-1FF -o part.hex\n"
                   "  tavro-prog --port /dev/ttyUSB0 --settle-us 1000 --verbose write blink.hex\n"
                   "  tavro-prog --port Com3 --backend ftdi write blink.hex\n"
                   "  tavro-prog --port Com3 probe\n"
                   "  tavro-prog --port rfc2217://rack1:2001 probe\n"
                   "  tavro-prog list\n");

// A hex address, with or without 0x; false when the text is none.
bool hexAddress(QString text, quint32 &value)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    value = text.toUInt(&ok, 16);
    return ok && !text.isEmpty();
}

} // namespace

StoredDefaults StoredDefaults::read(const SettingsStore &store)
{
    StoredDefaults defaults;
    const QString key = QStringLiteral("CommPort");
    const qsizetype before = store.warnings().size();
    // A number the terminal's port refuses leaves it on its first port, and so here.
    if (const std::optional<int> port = StoredProperties::number(store, key, StoredProperties::read(store, key, {}), 1,
                                                                 MSComm::kPortCount, defaults.port))
        defaults.port = QStringLiteral("Com%1").arg(*port);
    defaults.portWarnings = store.warnings().mid(before);
    const qsizetype afterPort = store.warnings().size();
    defaults.invertData = PropertiesModel(store).invertsData();
    defaults.invertWarnings = store.warnings().mid(afterPort);
    return defaults;
}

CommandLine::CommandLine(const QStringList &arguments, const StoredDefaults &defaults)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption port(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("ComN of the terminal's port map, a device path such as /dev/ttyUSB0, simulated-board, or a "
                       "network port rfc2217://HOST:PORT or socket://HOST:PORT (probe only). "
                       "Default: the terminal's port, now %1.")
            .arg(defaults.port),
        QStringLiteral("port"), defaults.port);
    const QCommandLineOption invert(
        QStringLiteral("invert-data"),
        QStringLiteral("Invert the data sent on RTS, as the terminal's RTS inversion "
                       "(for an RS-232 level interface). Default: the terminal's setting, now %1.")
            .arg(defaults.invertData ? QStringLiteral("on") : QStringLiteral("off")));
    const QCommandLineOption straight(QStringLiteral("no-invert-data"),
                                      QStringLiteral("Send the data on RTS as it is."));
    const QCommandLineOption data(
        {QStringLiteral("d"), QStringLiteral("data")},
        QStringLiteral("Work on the data memory (000-7FF) instead of the program memory (0000-1FFF)."));
    const QCommandLineOption range({QStringLiteral("r"), QStringLiteral("range")},
                                   QStringLiteral("For read: the addresses to save, hex, inclusive (e.g. 100-1FF). "
                                                  "Default: the whole memory."),
                                   QStringLiteral("start-end"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("For read: the Intel-HEX file to write."), QStringLiteral("file"));
    const QCommandLineOption settle(
        QStringLiteral("settle-us"),
        QStringLiteral("Wait this many microseconds after every line change, for USB adapters that apply changes "
                       "late (try 1000, then 5000). Default: the port map's ComNSettleUs, else 0."),
        QStringLiteral("us"));
    const QCommandLineOption backend(
        QStringLiteral("backend"),
        QStringLiteral("How the chip is driven: ftdi, an FTDI adapter's synchronous bit-bang (one USB round trip for "
                       "many instructions); lines, the port's modem-line calls; auto, bit-bang where the device is an "
                       "FTDI chip that has it, else the lines. Default: the port map's ComNBackend, else auto."),
        QStringLiteral("auto|lines|ftdi"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Also print the line operations per byte and the time of each "
                                                    "step."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Leave out the line that names the device behind the port."));
    parser.addOptions({port, invert, straight, data, range, output, settle, backend, verbose, quiet, help, version});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("write, verify, read, probe or list."),
                                 QStringLiteral("write FILE | verify FILE | read -o FILE | probe | list"));
    // The usage line names the program as installed, not the path it was started by.
    m_helpText = parser.helpText();
    m_helpText.replace(0, m_helpText.indexOf(QLatin1String(" [options]")), QStringLiteral("Usage: tavro-prog"));
    m_helpText += kEpilogue;

    if (!parser.parse(arguments)) {
        m_error = parser.errorText();
        return;
    }
    m_help = parser.isSet(help);
    m_version = parser.isSet(version);
    if (m_help || m_version)
        return;
    if (parser.isSet(invert) && parser.isSet(straight)) {
        m_error = QStringLiteral("--invert-data and --no-invert-data exclude each other");
        return;
    }
    m_options.port = parser.value(port);
    if (!parser.isSet(port))
        m_storedWarnings << defaults.portWarnings;
    if (!parser.isSet(invert) && !parser.isSet(straight))
        m_storedWarnings << defaults.invertWarnings;
    m_options.invertData = parser.isSet(invert) || (defaults.invertData && !parser.isSet(straight));
    m_options.dataSpace = parser.isSet(data);
    m_options.verbose = parser.isSet(verbose);
    m_options.quiet = parser.isSet(quiet);
    m_error = checkPort(m_options.port);
    if (!m_error)
        m_error = interpret(parser, parser.positionalArguments());
    if (!m_error && parser.isSet(range))
        m_error = takeRange(parser.value(range));
    if (!m_error && parser.isSet(settle))
        m_error = takeSettle(parser.value(settle));
    if (!m_error && parser.isSet(backend)) {
        m_options.backend = parser.value(backend).toLower();
        if (!PortMap::kBackends.contains(*m_options.backend))
            m_error = QStringLiteral("--backend \"%1\" is none of auto, lines and ftdi").arg(parser.value(backend));
    }
    if (!m_error && m_options.command == ProgOptions::Command::Read)
        m_options.file = parser.value(output);
}

std::optional<QString> CommandLine::interpret(const QCommandLineParser &parser, const QStringList &positional)
{
    if (positional.isEmpty())
        return QStringLiteral("no command given (write, verify, read, probe or list)");
    const QString command = positional.first();
    const bool isRead = command == QLatin1String("read");
    if (command == QLatin1String("write"))
        m_options.command = ProgOptions::Command::Write;
    else if (command == QLatin1String("verify"))
        m_options.command = ProgOptions::Command::Verify;
    else if (isRead)
        m_options.command = ProgOptions::Command::Read;
    else if (command == QLatin1String("probe"))
        m_options.command = ProgOptions::Command::Probe;
    else if (command == QLatin1String("list"))
        m_options.command = ProgOptions::Command::List;
    else
        return QStringLiteral("unknown command \"%1\" (write, verify, read, probe or list)").arg(command);

    m_options.first = 0;
    m_options.last = quint32(ChipMemory::lastAddress(m_options.dataSpace));
    if (m_options.command == ProgOptions::Command::Probe || m_options.command == ProgOptions::Command::List)
        return positional.size() > 1 ? std::optional<QString>(QStringLiteral("%1 takes no file").arg(command))
                                     : std::nullopt;
    if (isRead) {
        if (positional.size() > 1)
            return QStringLiteral("read takes no file argument; name the output with -o FILE");
        if (parser.value(QStringLiteral("output")).isEmpty())
            return QStringLiteral("read needs the output file: -o FILE");
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("range")))
        return QStringLiteral("--range applies to read only: %1 takes every byte the file sets").arg(command);
    if (parser.isSet(QStringLiteral("output")))
        return QStringLiteral("-o applies to read only");
    if (positional.size() != 2)
        return QStringLiteral("%1 takes exactly one HEX file").arg(command);
    m_options.file = positional.at(1);
    return std::nullopt;
}

std::optional<QString> CommandLine::checkPort(const QString &text)
{
    static const QRegularExpression comN(QStringLiteral("^com([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comN.match(text.trimmed());
    bool ok = false;
    const int number = match.captured(1).toInt(&ok);
    if (match.hasMatch() && (!ok || number < 1 || number > MSComm::kPortCount))
        return QStringLiteral("--port %1 is not a port: the terminal has Com1 to Com%2")
            .arg(shownPath(text))
            .arg(MSComm::kPortCount);
    return std::nullopt;
}

std::optional<QString> CommandLine::takeRange(const QString &text)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    quint32 first = 0, last = 0;
    if (ends.size() != 2 || !hexAddress(ends[0], first) || !hexAddress(ends[1], last))
        return QStringLiteral("--range \"%1\" is not START-END in hex (e.g. 100-1FF)").arg(text);
    if (first > last)
        return QStringLiteral("--range \"%1\" ends before it starts").arg(text);
    if (last > m_options.last)
        return QStringLiteral("--range \"%1\" goes beyond the %2 memory, which ends at %3")
            .arg(text, m_options.dataSpace ? QStringLiteral("data") : QStringLiteral("program"),
                 QString::number(m_options.last, 16).toUpper());
    m_options.first = first;
    m_options.last = last;
    return std::nullopt;
}

std::optional<QString> CommandLine::takeSettle(const QString &text)
{
    bool ok = false;
    const int us = text.trimmed().toInt(&ok);
    if (!ok || us < 0 || us > PortMap::kMaxSettleUs)
        return QStringLiteral("--settle-us \"%1\" is not a number of microseconds from 0 to %2")
            .arg(text)
            .arg(PortMap::kMaxSettleUs);
    m_options.settleUs = us;
    return std::nullopt;
}
