// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortMapFile.h"

#include "common/ShownPath.h"

#include <QFile>
#include <QHash>
#include <QObject>
#include <QScopeGuard>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kShownLine = 60;  // characters of a line shown in a warning
constexpr qsizetype kShownLines = 10; // line numbers of a key given many times

bool isPortsSection(const QString &name)
{
    return name.compare(QLatin1String("Ports"), Qt::CaseInsensitive) == 0;
}

// Quoted, the text between the quotes; otherwise up to a ";" comment.
QString valueOf(const QString &raw)
{
    if (raw.startsWith(QLatin1Char('"'))) {
        if (const qsizetype close = raw.indexOf(QLatin1Char('"'), 1); close > 0)
            return raw.mid(1, close - 1);
    }
    return raw.section(QLatin1Char(';'), 0, 0).trimmed();
}

bool isControl(char c)
{
    return (uchar(c) < 0x20 && c != '\t') || c == 0x7F;
}

// Lines as a text editor sees them: LF, CR LF or CR ends one.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return text.replace("\r\n", "\n").replace('\r', '\n').split('\n');
}

// 0 when every line is UTF-8 text without control characters but tabs.
int firstLineNotText(const QByteArray &bytes)
{
    const QList<QByteArray> lines = linesOf(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(utf8(lines[i]));
        if (utf8.hasError() || std::any_of(lines[i].begin(), lines[i].end(), isControl))
            return int(i + 1);
    }
    return 0;
}

} // namespace

PortMapFile::PortMapFile(const QString &path)
    : m_path(path)
{
    QByteArray bytes;
    m_failure = load(bytes);
    if (!m_failure)
        parse(bytes);
}

Failure PortMapFile::load(QByteArray &bytes) const
{
    const QString shown = shownPath(m_path);
    const auto because = [&shown](int error) {
        return QObject::tr("%1 cannot be read: %2").arg(shown, QString::fromLocal8Bit(std::strerror(error)));
    };
    const QByteArray name = QFile::encodeName(m_path);
    // Not blocking, so that a FIFO in its place cannot hold the program up.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        struct stat link
        {};
        // Not there at all is no map; a link that leads nowhere is a map that cannot be read.
        return errno == ENOENT && ::lstat(name.constData(), &link) != 0 ? Failure() : because(errno);
    }
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat status
    {};
    if (::fstat(fd, &status) != 0)
        return because(errno);
    if (S_ISDIR(status.st_mode))
        return because(EISDIR);
    if (!S_ISREG(status.st_mode))
        return QObject::tr("%1 cannot be read: it is no regular file").arg(shown);
    bytes.resize(kMaxSize + 1);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return because(errno);
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    if (got > kMaxSize || status.st_size > kMaxSize)
        return QObject::tr("%1 cannot be read: at %2 bytes it is far larger than a port map (at most %3)")
            .arg(shown, QString::number(std::max<qint64>(status.st_size, got)), QString::number(kMaxSize));
    if (const int line = firstLineNotText(bytes))
        return QObject::tr("%1 cannot be read: line %2 holds binary data, not text").arg(shown, QString::number(line));
    return std::nullopt;
}

void PortMapFile::parse(const QByteArray &bytes)
{
    const QString shown = shownPath(m_path);
    const QList<QByteArray> lines = linesOf(bytes);
    QList<Entry> given; // every [Ports] entry, repeats included
    bool inPorts = false;
    Entry firstHeader; // the first [Ports] as written, and its line
    QList<Entry> strays;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inPorts = isPortsSection(line.mid(1, line.size() - 2).trimmed());
            if (inPorts && firstHeader.line > 0)
                m_warnings << QObject::tr("%1: %2 on line %3 repeats %4 of line %5; the entries of both are read "
                                          "as one section")
                                  .arg(shown, shownPath(line), QString::number(number), firstHeader.key,
                                       QString::number(firstHeader.line));
            else if (inPorts)
                firstHeader = {shownPath(line), {}, number};
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            strays << Entry{line, {}, number};
        else if (inPorts)
            given << Entry{line.left(equals).trimmed(), valueOf(line.mid(equals + 1).trimmed()), number};
    }
    // Keys in any letter case are one key; of each, the last is used.
    QHash<QString, QList<Entry>> byKey;
    for (const Entry &entry : given)
        byKey[entry.key.toLower()] << entry;
    for (const Entry &entry : given) {
        const QList<Entry> &same = byKey[entry.key.toLower()];
        if (same.last().line != entry.line)
            continue;
        m_entries << entry;
        if (same.size() == 1)
            continue;
        QStringList at;
        for (const Entry &e : same.first(std::min<qsizetype>(same.size(), kShownLines)))
            at << QString::number(e.line);
        if (same.size() > kShownLines)
            at << QStringLiteral("...");
        m_warnings << QObject::tr("%1: [Ports] %2 is given %3 times, on lines %4; the last, %5=%6 on line %7, is used")
                          .arg(shown, shownPath(same.first().key), QString::number(same.size()),
                               at.join(QStringLiteral(", ")), shownPath(entry.key), shownPath(entry.value),
                               QString::number(entry.line));
    }
    if (!strays.isEmpty()) {
        const QString first = strays.first().key;
        m_warnings << QObject::tr("%1: line %2 is neither [Section] nor Key=value and is ignored: %3%4")
                          .arg(shown, QString::number(strays.first().line),
                               first.size() > kShownLine ? first.left(kShownLine) + QStringLiteral("...") : first,
                               strays.size() > 1 ? QObject::tr(" (and %1 more such lines)").arg(strays.size() - 1)
                                                 : QString());
    }
}
