// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkDevice.h"
#include "TerminalFixture.h"
#include "plot/PlotCanvas.h"
#include "plot/PlotView.h"
#include "terminal/HexView.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
// Milliseconds after 09:15 today, local time, as the clock gives them and the margin shows them.
const QDateTime kNineFifteen(QDate::currentDate(), QTime(9, 15));
QString shownAt(int ms)
{
    return ms < 0 ? QString() : kNineFifteen.addMSecs(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QStringList dumpLines(const HexDump &dump)
{
    QStringList lines;
    for (qsizetype i = 0; i < dump.lineCount(); ++i)
        lines << dump.line(i);
    return lines;
}
} // namespace

// The View menu's time stamps and hex view: what they show, and that the view's text stays as
// it would be without them.
class TestViews : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<TerminalFixture>();
        m_f->clock = [this] { return kNineFifteen.toMSecsSinceEpoch() + m_ms; };
    }

    // The window with the port open on a device that hands over the chunks the test gives it.
    static frmTerminal &openChunks(TerminalFixture &f, ChunkDevice *&device)
    {
        f.board = [&device] {
            auto made = std::make_unique<ChunkDevice>();
            device = made.get();
            return made;
        };
        return f.open(16);
    }

    void hexDumpOfByteStreams()
    {
        struct Case
        {
            QByteArray bytes;
            QStringList lines; // the first and the last
            qint64 front;
        };
        const QList<Case> cases = {
            {"Hello", {"00000000  48 65 6c 6c 6f                                    |Hello|"}, 0},
            {QByteArray("0123456789abcdef\0\x1f\x7f\x80\xff ~", 23),
             {"00000000  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66  |0123456789abcdef|",
              "00000010  00 1f 7f 80 ff 20 7e                              |..... ~|"},
             0},
            {QByteArray(16000, 'x'), {}, 0},        // at the bound: all kept
            {QByteArray(16001, 'x'), {}, 4096},     // past it: a block leaves
            {QByteArray(40000, 'x'), {}, 6 * 4096}, // one read far past it: one cut to the bound
        };
        for (const Case &c : cases) {
            HexDump whole, byByte, inReads;
            whole.append(c.bytes);
            for (qsizetype i = 0; i < c.bytes.size(); ++i)
                byByte.append(c.bytes.sliced(i, 1));
            for (qsizetype i = 0; i < c.bytes.size(); i += 7)
                inReads.append(c.bytes.mid(i, 7));
            QCOMPARE(dumpLines(byByte), dumpLines(whole));
            QCOMPARE(dumpLines(inReads).size(), whole.lineCount());
            QCOMPARE(whole.front(), c.front);
            QCOMPARE(whole.lineCount(), (c.bytes.size() - c.front + 15) / 16);
            if (!c.lines.isEmpty())
                QCOMPARE((QStringList{whole.line(0), whole.line(whole.lineCount() - 1)}),
                         (QStringList{c.lines.first(), c.lines.last()}));
            QVERIFY(whole.line(whole.lineCount() - 1).size() <= HexDump::kLineLength);
        }
        HexDump bounded;
        bounded.append(QByteArray(16001, 'x'));
        QVERIFY(bounded.line(0).startsWith(QStringLiteral("00001000  78 78")));
    }

    void timeStampsInTheMarginAtAMockedClock()
    {
        m_f->set(QStringLiteral("Echo"), QStringLiteral("True"));
        ChunkDevice *device = nullptr;
        frmTerminal &w = openChunks(*m_f, device);
        QVERIFY(!m_f->session->views().timeStamps() && !m_f->session->views().hexDump()); // off: no work
        device->deliver("before\r\nstill"); // began before the stamps: no time
        const int textLeft = w.view()->viewport()->x();
        QCOMPARE(textLeft, w.view()->frameWidth()); // off: no margin
        w.menuItem(QStringLiteral("mnuTimeStamps"))->trigger();
        QVERIFY(w.view()->viewport()->x() > textLeft + w.view()->fontMetrics().horizontalAdvance(shownAt(0)));
        struct Step
        {
            int ms;
            QByteArray chunk;
            QString typed;    // then keys, with local echo: the box edits itself
            QList<int> shown; // the margin, line by line; -1 for none
        };
        const QList<Step> steps = {
            {5, " on\r\nab\r\ncd", {}, {-1, -1, 5, 5}},
            {9, "e\r\n", {}, {-1, -1, 5, 5, -1}}, // a line begins with its first character
            {12, "", {}, {-1, -1, 5, 5, -1}},
            {20, "f", {}, {-1, -1, 5, 5, 20}},
            {25, "\b", {}, {-1, -1, 5, 5, 20}}, // emptied, it keeps its time
            {30, "\b", {}, {-1, -1, 5, 5}},     // its line break erased, it is gone
            {33, "g\r\n\r\nh", {}, {-1, -1, 5, 5, -1, 33}},
            {40, {}, QStringLiteral("\rk"), {-1, -1, 5, 5, -1, 33, 40}},
        };
        for (const Step &step : steps) {
            m_ms = step.ms;
            device->deliver(step.chunk);
            m_f->screen();
            QTest::keyClicks(w.view(), step.typed);
            QStringList margin, expected;
            for (int line = 0; line < w.view()->document()->blockCount(); ++line)
                margin << w.view()->lineLabel(line);
            for (int ms : step.shown)
                expected << shownAt(ms);
            QCOMPARE(margin, expected);
        }
        QCOMPARE(m_f->get(QStringLiteral("TimeStamps")), QStringLiteral("True"));
    }

    void randomStreamsKeepTextLinesAndLog()
    {
        // The same notifications to a window with every view on and one with every view off,
        // each logging.
        TerminalFixture plain;
        ChunkDevice *offDevice = nullptr, *onDevice = nullptr;
        QTemporaryDir dir;
        openChunks(plain, offDevice);
        m_f->set(QStringLiteral("TimeStamps"), QStringLiteral("1"));
        m_f->set(QStringLiteral("HexView"), QStringLiteral("true"));
        m_f->set(QStringLiteral("Plot"), QStringLiteral("True"));
        openChunks(*m_f, onDevice);
        for (TerminalFixture *f : {&plain, m_f.get()}) {
            f->files.choices.push_back(dir.filePath(f == &plain ? "off.log" : "on.log"));
            f->window->menuItem(QStringLiteral("mnuOpenLog"))->trigger();
        }
        QRandomGenerator random(7);
        QByteArray received;
        for (int i = 0; i < 400; ++i) {
            QByteArray chunk(random.bounded(random.bounded(10) == 0 ? 3000 : 40), Qt::Uninitialized);
            for (char &c : chunk)
                c = "\r\n\bab1-:,"[random.bounded(9)];
            received += chunk;
            m_ms = i;
            onDevice->deliver(chunk);
            offDevice->deliver(chunk);
            const QString &text = m_f->session->text();
            QCOMPARE(text, plain.session->text());
            const QStringList lines = text.split(QStringLiteral("\r\n"));
            const LineStamps &stamps = *m_f->session->views().timeStamps();
            QCOMPARE(stamps.lineCount(), lines.size());
            for (qsizetype k = 0; k < lines.size(); ++k) // a line cut at the front, or emptied, keeps its time
                QVERIFY(lines[k].isEmpty() || stamps.began(k));
        }
        HexDump direct;
        direct.append(received);
        QCOMPARE(dumpLines(*m_f->session->views().hexDump()), dumpLines(direct));
        QVERIFY(m_f->session->plot()->shown().end() > 0); // the plot took its lines
        for (TerminalFixture *f : {&plain, m_f.get()})
            f->window->menuItem(QStringLiteral("mnuCloseLog"))->trigger();
        QFile off(dir.filePath("off.log")), on(dir.filePath("on.log"));
        QVERIFY(off.open(QIODevice::ReadOnly) && on.open(QIODevice::ReadOnly));
        const QByteArray logged = off.readAll();
        QVERIFY(logged.size() > 1000);
        QVERIFY(logged == on.readAll());
    }

    void hexViewTakesTheViewsPlaceAndIsStored()
    {
        m_f->set(QStringLiteral("TimeStamps"), QStringLiteral("maybe")); // refused: off, and left as it is
        m_f->set(QStringLiteral("Echo"), QStringLiteral("True"));
        ChunkDevice *device = nullptr;
        frmTerminal &w = openChunks(*m_f, device);
        QVERIFY(!w.view()->isHidden() && w.hexView()->isHidden());
        w.menuItem(QStringLiteral("mnuHex"))->trigger();
        QVERIFY(w.view()->isHidden() && !w.hexView()->isHidden());
        device->deliver("a\bb\r\n");
        QCOMPARE(m_f->session->views().hexDump()->line(0).mid(10, 14), QStringLiteral("61 08 62 0d 0a"));
        QTest::keyClicks(w.hexView(), "q"); // typed into the view underneath, echoed
        QCOMPARE(m_f->screen(), QStringLiteral("b\r\nq"));
        emit m_f->session->programmingChanged(true); // the console speaks in the text view
        QVERIFY(!w.view()->isHidden() && w.hexView()->isHidden());
        emit m_f->session->programmingChanged(false);
        w.close();
        QCOMPARE((QStringList{m_f->get(QStringLiteral("HexView")), m_f->get(QStringLiteral("TimeStamps"))}),
                 (QStringList{"True", "maybe"}));
        QVERIFY(m_f->start().hexView()->isVisibleTo(m_f->window.get()));
    }

    void plotBelowTheViewSavedAndStored()
    {
        ChunkDevice *device = nullptr;
        frmTerminal &w = openChunks(*m_f, device);
        QVERIFY(!w.plotView() && !m_f->session->plot()); // off: nothing made, nothing fed
        w.show();
        w.menuItem(QStringLiteral("mnuPlot"))->trigger();
        QVERIFY(w.plotView()->isVisible() && w.plotView()->geometry().top() > w.view()->geometry().bottom());
        device->deliver("t:1 h:-2.5\r\nt:3");
        device->deliver(" h:4e1\r\n");
        QTRY_VERIFY(w.plotView()->canvas()->redraws() > 0);
        QCOMPARE(w.plotView()->canvas()->graphCount(), 2);

        // By extension; a write that fails is one message naming the file.
        QTemporaryDir dir;
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), dir.filePath("full.csv")));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), dir.filePath("full.png")));
        for (const char *name : {"p.csv", "p.png", "full.csv", "full.png", "p.txt"})
            m_f->files.choices.push_back(dir.filePath(name));
        for (int i = 0; i < 5; ++i)
            w.menuItem(QStringLiteral("mnuSavePlot"))->trigger();
        QCOMPARE(m_f->files.requests.last().purpose, FileDialog::Purpose::Save);
        QFile csv(dir.filePath("p.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("sample,t,h\n0,1,-2.5\n1,3,40\n"));
        QCOMPARE(QImage(dir.filePath("p.png")).size(), w.plotView()->canvas()->size());
        const QStringList said = m_f->shownTexts();
        QCOMPARE(said.size(), 3);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(said[i].contains(dir.filePath(i ? "full.png" : "full.csv")) && said[i].contains("space"),
                     qPrintable(said[i]));
        QVERIFY(said[2].contains(".csv") && !QFile::exists(dir.filePath("p.txt")));

        emit m_f->session->programmingChanged(true); // the console has the window to itself
        QVERIFY(!w.plotView()->isVisible());
        emit m_f->session->programmingChanged(false);
        w.close();
        QCOMPARE(m_f->get(QStringLiteral("Plot")), QStringLiteral("True"));
        frmTerminal &again = m_f->start();
        QVERIFY(again.plotView()->isVisibleTo(&again) && again.menuItem(QStringLiteral("mnuPlot"))->isChecked());
        again.menuItem(QStringLiteral("mnuPlot"))->trigger();
        QVERIFY(!again.plotView() && !m_f->session->plot());
        QCOMPARE(m_f->get(QStringLiteral("Plot")), QStringLiteral("False"));
    }

private:
    std::unique_ptr<TerminalFixture> m_f;
    int m_ms = 0;
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
