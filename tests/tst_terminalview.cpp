#include "TerminalFixture.h"
#include "terminal/TerminalView.h"

#include <QTemporaryDir>
#include <QtTest>

// What the board's text looks like on the screen: backspace, line ends, the bounded view.
class TestTerminalView : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_window = &m_fixture.start(); }
    void backspaceErasesWithinDataAndOneScreenCharacter();
    void backspaceOnEmptyViewIsHarmless();
    void lineEndsBecomeOneBreakPerCarriageReturn();
    void filteredDataIsHandedBack();
    void viewIsTrimmedInBlocksPastTheSoftLimit();
    void newTextGoesToTheEndWhateverTheSelection();
    void aBurstLargerThanTheViewIsLoggedWholeAndShowsItsEnd();

private:
    QString show(QString data)
    {
        m_window->ShowData(m_window->view(), data);
        return data;
    }
    QString screen() const { return m_window->view()->toPlainText(); }

    TerminalFixture m_fixture;
    frmTerminal *m_window = nullptr;
};

void TestTerminalView::backspaceErasesWithinDataAndOneScreenCharacter()
{
    show("abc\b\bx");
    QCOMPARE(screen(), QStringLiteral("ax"));
    show("\b");
    QCOMPARE(screen(), QStringLiteral("a"));
    show("yz");
    show("\b\b");
    QCOMPARE(screen(), QStringLiteral("ay")); // one call erases at most one character on screen
}

void TestTerminalView::backspaceOnEmptyViewIsHarmless()
{
    QCOMPARE(show("\bok"), QStringLiteral("ok"));
    QCOMPARE(screen(), QStringLiteral("ok"));
    QVERIFY(m_fixture.messages.shown.isEmpty());
}

void TestTerminalView::lineEndsBecomeOneBreakPerCarriageReturn()
{
    QCOMPARE(show("one\r\ntwo\n"), QStringLiteral("one\r\ntwo"));
    QCOMPARE(screen(), QStringLiteral("one\ntwo"));
    m_window->view()->clear();
    show("a\rb");
    QCOMPARE(screen(), QStringLiteral("a\nb"));
    m_window->view()->clear();
    QCOMPARE(show("\n\r"), QStringLiteral("\r\n"));
    QCOMPARE(screen(), QStringLiteral("\n"));
}

void TestTerminalView::filteredDataIsHandedBack()
{
    QCOMPARE(show("ab\bc\r"), QStringLiteral("ac\r\n"));
}

void TestTerminalView::viewIsTrimmedInBlocksPastTheSoftLimit()
{
    show(QString(16000, 'a'));
    show(QString());
    QCOMPARE(screen().size(), 16000);
    show("b");
    show("c"); // 16001 before this call: 4096 go first
    QCOMPARE(screen().size(), 16001 - 4096 + 1);
    QVERIFY(screen().endsWith("bc"));
}

void TestTerminalView::newTextGoesToTheEndWhateverTheSelection()
{
    show("hello world");
    QTextCursor c = m_window->view()->textCursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    m_window->view()->setTextCursor(c);
    show("!");
    QCOMPARE(screen(), QStringLiteral("hello world!"));
    QVERIFY(!m_window->view()->textCursor().hasSelection());
}

void TestTerminalView::aBurstLargerThanTheViewIsLoggedWholeAndShowsItsEnd()
{
    // The board sends 200 KB at once (the simulated board echoes): the view is drawn once per
    // batch, so most of it never reaches the screen, but the log must have every line.
    QTemporaryDir dir;
    const QString logPath = dir.filePath("burst.log");
    m_fixture.files.choices.push_back(logPath);
    m_window->mnuOpenLog_Click();
    m_fixture.set("CommPort", "16");
    m_window->comm().setCommPort(16);
    QVERIFY(!m_window->comm().setPortOpen(true));
    show("before\r");
    QByteArray burst;
    for (int i = 0; burst.size() < 200000; ++i)
        burst += "line-" + QByteArray::number(i) + "-x\bX\r\n"; // no spaces: a space calls the banner
    QVERIFY(!m_window->comm().Output(burst));
    QTest::qWait(100);
    m_window->mnuCloseLog_Click(); // takes whatever still waits for the screen

    QByteArray expected = "before\r\n" + burst;
    expected.replace("x\bX", "X").replace("\r\n", "\r").replace("\r", "\r\n");
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), expected);
    const QString tail = QString::fromLatin1(expected.right(3000)).replace("\r\n", "\n");
    QVERIFY(screen().endsWith(tail));
    QVERIFY(screen().size() <= frmTerminal::kViewSoftLimit + frmTerminal::kViewTrimBlock);
}

QTEST_MAIN(TestTerminalView)
#include "tst_terminalview.moc"
