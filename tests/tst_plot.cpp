// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "plot/LineSplitter.h"
#include "plot/PlotCanvas.h"
#include "plot/PlotLine.h"
#include "plot/PlotModel.h"
#include "plot/PlotView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>

namespace {
// "label=value" a field, "=value" for one without a label, "gap" for no number.
QStringList shown(const PlotFields &fields)
{
    QStringList out;
    for (const PlotField &f : fields)
        out << QString::fromLatin1(f.label) + u'='
                   + (std::isnan(f.value) ? QStringLiteral("gap")
                                          : QString::number(f.value, 'g', QLocale::FloatingPointShortest));
    return out;
}

QStringList splitLines(const QList<QByteArray> &reads)
{
    LineSplitter splitter;
    QStringList lines;
    for (const QByteArray &read : reads)
        splitter.split(read, [&](QByteArrayView line) { lines << QString::fromLatin1(line); });
    return lines;
}

// Whether a pixel within two of the point has nearly the colour (lines are smoothed).
bool drawnNear(const QImage &picture, QPoint point, QColor colour)
{
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor p = picture.pixelColor(point + QPoint(dx, dy));
            if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green())
                    + std::abs(p.blue() - colour.blue())
                < 60)
                return true;
        }
    return false;
}

QByteArray numbers(int from, int count)
{
    QByteArray line;
    for (int i = from; i < from + count; ++i)
        line += QByteArray::number(i) + ' ';
    return line + '\n';
}
} // namespace

// The plot of the numbers a board prints: lines, fields, the model's window, scale and pause,
// CSV, and the widget that draws it.
class TestPlot : public QObject
{
    Q_OBJECT
private slots:
    void fieldsOfALine()
    {
        const QList<std::pair<QByteArray, QStringList>> cases = {
            {"temp:21.5 hum:40", {"temp=21.5", "hum=40"}},
            {"512,498,3", {"=512", "=498", "=3"}},
            {"1\t2 , ,3", {"=1", "=2", "=3"}}, // a run of separators is one
            {"-12 +3.5 1e3 -2.5E-2 .5 7.", {"=-12", "=3.5", "=1000", "=-0.025", "=0.5", "=7"}},
            {"Voltage: 3.3 a:", {"Voltage=3.3", "a=gap"}},
            {"a:1 b:x c:3", {"a=1", "b=gap", "c=3"}},
            {"1,x,3", {"=1", "=gap", "=3"}},
            {"nan inf -inf infinity NaN 5", {"=gap", "=gap", "=gap", "=gap", "=gap", "=5"}},
            {"1e308 1e309 -1e309 1e-320 -1e-400", {"=1e+308", "=gap", "=gap", "=1e-320", "=0"}},
            {"0x10 12abc 1e +-5 --5 + 5", {"=gap", "=gap", "=gap", "=gap", "=gap", "=gap", "=5"}},
            {"12:30:5", {"12:30=5"}},
            {"hello world", {}}, // no number: skipped
            {"temp:abc nan", {}},
            {"", {}},
        };
        for (const auto &[line, fields] : cases)
            QCOMPARE(shown(parsePlotLine(line)), fields);
    }

    void linesWhateverTheReads()
    {
        const QByteArray longest(LineSplitter::kMaxLength, '7');
        const QList<std::pair<QByteArray, QStringList>> cases = {
            {"a\rb\nc\r\nd", {"a", "b", "c"}},
            {"a\r\n\r\nb\n", {"a", "", "b"}},
            {"\n\r\r\n", {"", "", ""}},
            {longest + "\n", {QString::fromLatin1(longest)}},
            {longest + "8\r\nok\n", {"ok"}},                                   // over-long: skipped whole
            {QByteArray(5000, 'x') + "1 2\r\n3\n", {"3"}},                     // its tail too
            {QByteArray(3000, 'x') + "\r" + QByteArray(2000, 'y') + "\n", {}}, // one after another
        };
        for (const auto &[stream, lines] : cases) {
            QCOMPARE(splitLines({stream}), lines);
            QList<QByteArray> bytes;
            for (const char c : stream)
                bytes << QByteArray(1, c) << QByteArray(); // empty reads change nothing
            QCOMPARE(splitLines(bytes), lines);
            for (qsizetype cut = 1; cut < std::min<qsizetype>(stream.size(), 40); ++cut)
                QCOMPARE(splitLines({stream.first(cut), stream.sliced(cut)}), lines);
        }
    }

    void seriesInTheOrderFirstSeenAtMostSixteen()
    {
        PlotModel model;
        model.receive("b:1 a:2\r\nnothing here\r\nc:3 a:4\r\n");
        QCOMPARE(model.seriesNames(), (QStringList{"b", "a", "c"}));
        const PlotSamples &s = model.shown();
        QCOMPARE(s.end(), 2);
        QVERIFY(std::isnan(s.value(0, 1)) && std::isnan(s.value(2, 0)));
        QCOMPARE((QList<double>{s.value(0, 0), s.value(1, 0), s.value(1, 1), s.value(2, 1)}),
                 (QList<double>{1, 2, 4, 3}));
        PlotModel plain;
        plain.receive(numbers(100, 20));
        QCOMPARE(plain.seriesNames().size(), PlotModel::kMaxSeries);
        QCOMPARE(plain.seriesNames().last(), QStringLiteral("16"));
        QCOMPARE(plain.shown().value(15, 0), 115);
        plain.receive(QByteArray("x ").repeated(16) + "17\n"); // only the 17th holds a number
        QCOMPARE(plain.shown().end(), 1);
        plain.receive("q:5\n");
        QCOMPARE(plain.shown().end(), 1);
    }

    void rollingWindowAndScale()
    {
        PlotModel model;
        QCOMPARE(model.window(), 500);
        for (int i = 0; i < 600; ++i)
            model.receive(QByteArray::number(i) + ',' + QByteArray::number(-i) + '\n');
        const PlotSamples &s = model.shown();
        QCOMPARE((QList<qint64>{s.first(), s.end()}), (QList<qint64>{100, 600}));
        QVERIFY(std::isnan(s.value(0, 99)));
        QCOMPARE(s.value(0, 100), 100);
        const auto range = [&] { return QList<double>{model.yRange().lower, model.yRange().upper}; };
        QCOMPARE(range(), (QList<double>{-658.9, 658.9})); // -599..599 and a twentieth of the span
        model.setHidden(1, true);
        QCOMPARE(range(), (QList<double>{75.05, 623.95}));
        model.setWindow(10); // at least 50
        QCOMPARE((QList<qint64>{s.first(), s.end()}), (QList<qint64>{550, 600}));
        QCOMPARE(s.value(0, 550), 550);
        model.setWindow(1'000'000);
        QCOMPARE(model.window(), PlotModel::kMaxWindow);
        model.receive("7\n");
        QCOMPARE((QList<qint64>{s.first(), s.end()}), (QList<qint64>{550, 601}));
        QVERIFY(model.setFixedRange(PlotModel::Range{2, 2}).has_value());
        QVERIFY(model.setFixedRange(PlotModel::Range{-1, NAN}).has_value());
        QVERIFY(!model.setFixedRange(PlotModel::Range{-1, 1}).has_value());
        QCOMPARE(range(), (QList<double>{-1, 1}));
        PlotModel flat, huge;
        flat.receive("5\n5\n");
        QCOMPARE(flat.yRange().lower, 4);
        huge.receive("1.7e308\n-1.7e308\n");
        QVERIFY(std::isfinite(huge.yRange().lower) && std::isfinite(huge.yRange().upper));
    }

    void pauseHoldsWhatIsShownWhileSamplesGoOn()
    {
        PlotModel model;
        QSignalSpy changes(&model, &PlotModel::changed);
        model.receive("1\n2\n");
        model.setPaused(true);
        const int before = int(changes.count());
        for (int i = 0; i < 700; ++i)
            model.receive("3 4\n");
        QCOMPARE(changes.count(), before); // nothing to redraw
        QCOMPARE((QList<qint64>{model.shown().end(), model.shown().seriesCount()}), (QList<qint64>{2, 1}));
        model.setPaused(false);
        QCOMPARE((QList<qint64>{model.shown().first(), model.shown().end(), model.shown().seriesCount()}),
                 (QList<qint64>{202, 702, 2}));
        model.clear();
        model.receive("9\n");
        QCOMPARE((QList<qint64>{model.shown().end(), model.clears()}), (QList<qint64>{1, 1}));
    }

    void csvReadBackAndWritesThatFail()
    {
        PlotModel model;
        model.receive("a:1 b:2\r\na:3\r\nb:x a:4.5\r\na:1e-7 b:-2 q\"x:0.1\r\n");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("points.csv"));
        QVERIFY(!model.saveCsv(path).has_value());
        QCOMPARE(fileContents(path), QByteArray("sample,a,b,\"q\"\"x\"\n0,1,2,\n1,3,,\n2,4.5,,\n3,1e-07,-2,0.1\n"));
        for (int i = 0; i < 20'000; ++i) // past a piece of the file's buffer
            model.receive("123456.789 -98765.4321\n");
        const Failure full = model.saveCsv(QStringLiteral("/dev/full"));
        QVERIFY(full && full->contains(QStringLiteral("/dev/full")) && full->contains(QStringLiteral("space")));
        const Failure nowhere = model.saveCsv(dir.filePath(QStringLiteral("gone/points.csv")));
        QVERIFY(nowhere && nowhere->contains(QStringLiteral("gone/points.csv")));
    }

    void theViewDrawsAndAnswers()
    {
        PlotModel model;
        PlotView view(model);
        view.resize(900, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        PlotCanvas &canvas = *view.canvas();
        for (int i = 0; i < 400; ++i)
            model.receive(QStringLiteral("sine:%1 flat:0\r\n").arg(i == 300 ? 5 : std::sin(i / 20.0)).toLatin1());
        QTRY_COMPARE(canvas.graphCount(), 2);
        QCOMPARE(canvas.redraws(), 1); // 400 reads, one redraw
        QTest::qWait(2 * PlotCanvas::kFrameMs);
        QCOMPARE(canvas.redraws(), 1); // nothing changed: nothing drawn
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 100; ++i) { // a steady stream: paced redraws, none starved; the window still holds all
            model.receive("sine:0.5 flat:0\n");
            QTest::qWait(5);
        }
        const int redraws = canvas.redraws() - 1;
        QVERIFY2(redraws >= clock.elapsed() / PlotCanvas::kSlowestFrameMs - 1
                     && redraws <= clock.elapsed() / PlotCanvas::kFrameMs + 1,
                 qPrintable(QString::number(redraws)));
        const QImage picture = canvas.grab().toImage();
        const QPoint spike(int(canvas.xAxis->coordToPixel(300)), int(canvas.yAxis->coordToPixel(5)));
        QVERIFY(drawnNear(picture, spike, canvas.graph(0)->pen().color()));

        QTest::mouseMove(&canvas, QPoint(int(canvas.xAxis->coordToPixel(300)), spike.y() + 40));
        auto *readout = view.findChild<QLabel *>(QStringLiteral("readout"));
        QCOMPARE(readout->text(), QStringLiteral("Sample 300   sine 5   flat 0"));

        const QRect entry = canvas.legend->item(1)->outerRect();
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, entry.center());
        QVERIFY(model.isHidden(1));
        QTRY_VERIFY(!canvas.graph(1)->visible());
        QCOMPARE(readout->text(), QStringLiteral("Sample 300   sine 5"));

        view.findChild<QPushButton *>(QStringLiteral("pause"))->click();
        QVERIFY(model.isPaused());
        view.findChild<QCheckBox *>(QStringLiteral("fixedY"))->click();
        auto *lower = view.findChild<QLineEdit *>(QStringLiteral("lower"));
        lower->setText(QStringLiteral("ten"));
        emit lower->editingFinished();
        QVERIFY(readout->text().contains(QStringLiteral("must be numbers")));
        lower->setText(QStringLiteral("-1e1"));
        emit lower->editingFinished();
        QCOMPARE(model.fixedRange()->lower, -10);

        QTemporaryDir dir;
        QVERIFY(!view.save(dir.filePath(QStringLiteral("plot.PNG"))).has_value());
        QVERIFY(fileContents(dir.filePath(QStringLiteral("plot.PNG"))).startsWith("\x89PNG\r\n"));
        QVERIFY(canvas.savePicture(QStringLiteral("/dev/full"))->contains(QStringLiteral("space")));
        QVERIFY(view.save(dir.filePath(QStringLiteral("plot.txt")))->contains(QStringLiteral(".csv")));
    }
};

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
