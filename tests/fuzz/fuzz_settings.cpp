// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up over any stored text: under every key the program reads (memory store), and as a
// raw INI file (the per-user store). The window must come up with sound values, never block,
// and what it stores back must start it the same way again.
#include "FuzzSupport.h"
#include "TerminalFixture.h"
#include "settings/StoredProperties.h"
#include "settings/frmProperties.h"
#include "transfer/TextSender.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

namespace {

const QStringList kKeys{"FormWidth",      "FormHeight",         "Settings",           "CommPort",
                        "Handshaking",    "TextEOLCheck",       "TextEOLValue",       "LineDelayCheck",
                        "LineDelayValue", "LastTextFile",       "StartTransferCheck", "StartTransferWord",
                        "StartFileType",  "StartTransferDelay", "TextRTSCheck",       "Echo"};

// Checks what start-up left behind, and gives it as text for comparing two starts.
QStringList checkSound(TerminalFixture &s)
{
    frmTerminal &w = *s.window;
    const QSize screen = QApplication::primaryScreen()->availableGeometry().size();
    const QSize size = w.size();
    Fuzz::check(size.width() > 0 && size.height() > 0, "window without area");
    Fuzz::check(size.width() <= screen.width() && size.height() <= screen.height(), "window larger than the screen",
                QByteArray::number(size.width()) + "x" + QByteArray::number(size.height()));

    TerminalSession &session = *s.session;
    const Properties p = session.properties();
    const QString settings = session.portSettings();
    LineFormat format;
    Fuzz::check(!format.setSettingsText(settings) && format.settingsText() == settings, "port settings text unusable",
                settings.toUtf8());
    Fuzz::check(p.port >= 1 && p.port <= MSComm::kPortCount, "port number out of range");
    Fuzz::check(p.flow >= 0 && p.flow <= 3, "handshaking out of range");
    Fuzz::check(!session.facts().portOpen, "port opened at start-up");
    for (const FakeMessageBox::Shown &box : s.messages.shown)
        Fuzz::check(box.buttons == MessageBox::Buttons::Ok && !box.text.isEmpty(), "start-up asked a question");

    const PropertyValues &d = p.text;
    for (const QString &delay : {d.txtLineDelay, d.txtStartDelay}) {
        const int ms = TextSender::milliseconds(delay);
        Fuzz::check(ms >= 0 && ms <= TextSender::kMaxDelayMs, "delay out of range", delay.toUtf8());
    }
    QStringList texts{settings,           d.txtEOLChar,       d.txtLineDelay,         d.txtStartWord,
                      d.txtStartFileType, d.txtStartDelay,    session.lastTextFile()};
    for (const int number : {size.width(), size.height(), p.port, p.flow, int(p.echo), d.chkWaitFor, d.chkLineDelay,
                             d.chkStart, d.chkRTS})
        texts << QString::number(number);
    return texts;
}

// Values separated by 0xFF, one per key in reading order; a value starting with 0xFE is
// repeated to a huge text. Odd keys read their bytes as UTF-8, even ones as Latin-1 (NUL and
// every other byte kept).
void fillStore(MemorySettingsStore &store, const QByteArray &input)
{
    const QList<QByteArray> values = input.split('\xFF');
    for (qsizetype i = 0; i < values.size() && i < kKeys.size(); ++i) {
        QByteArray raw = values[i];
        if (raw.startsWith('\xFE'))
            raw = raw.mid(1).repeated(std::min<qsizetype>(100000 / std::max<qsizetype>(raw.size(), 1), 100000));
        const QString value = i % 2 ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
        Fuzz::check(!StoredProperties::write(store, {{kKeys[i], value}}), "the memory store refused a value");
    }
}

void startOverValues(const QByteArray &input)
{
    MemorySettingsStore store;
    fillStore(store, input);
    TerminalFixture first;
    first.storage = &store;
    first.start();
    const QStringList before = checkSound(first);

    // OK in the Properties dialog stores what start-up made of it; closing stores the window.
    const bool refused = !first.messages.shown.isEmpty();
    if (!refused)
        Fuzz::check(first.window->propertiesDialog().cmdOK_Click(), "Properties OK refused the start-up values");
    Fuzz::check(first.window->close(), "closing was refused");

    TerminalFixture second;
    second.storage = &store;
    second.start();
    const QStringList after = checkSound(second);
    if (!refused)
        Fuzz::check(after == before,
                    "stored values start differently:", (before.join('|') + "\n" + after.join('|')).toUtf8());
    Fuzz::check(second.messages.shown.isEmpty() || refused, "stored values refused at the next start");
}

void startOverIniFile(const QByteArray &input)
{
    // A fresh folder each time: QSettings caches a file it has read by its path.
    static QTemporaryDir root;
    static int serial = 0;
    const QString folder = root.filePath(QString::number(++serial));
    QDir().mkpath(folder);
    {
        QFile ini(folder + QLatin1Char('/') + kAppTitle + QStringLiteral(".ini"));
        Fuzz::check(ini.open(QIODevice::WriteOnly), "cannot write the INI file");
        ini.write(input);
    }
    QSettingsStore store(folder);
    TerminalFixture s;
    s.storage = &store;
    s.start();
    checkSound(s);
    s.window.reset();
    QDir(folder).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::application();
    const QByteArray input = Fuzz::bytes(data, size);
    startOverValues(input);
    startOverIniFile(input);
    return 0;
}
