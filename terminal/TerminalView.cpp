// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/TerminalView.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextBlock>

namespace {

// Paints by its view's hand: only the view knows where its lines stand.
class Margin : public QWidget
{
public:
    Margin(QWidget *parent, std::function<void(QPaintEvent *)> paint)
        : QWidget(parent)
        , m_paint(std::move(paint))
    {}

protected:
    void paintEvent(QPaintEvent *event) override { m_paint(event); }

private:
    std::function<void(QPaintEvent *)> m_paint;
};

constexpr char16_t kLoneCr = 0x240D;
constexpr char16_t kLoneLf = 0x240A;
constexpr char16_t kCodePageEnd = 0xFF; // the port, the files and the log carry 8-bit characters

// How many characters of the box the text takes: a CR LF is one.
qsizetype shownLength(QStringView text)
{
    qsizetype pairs = 0;
    for (qsizetype i = text.indexOf(u"\r\n"); i >= 0; i = text.indexOf(u"\r\n", i + 2))
        ++pairs;
    return text.size() - pairs;
}

} // namespace

TerminalView::TerminalView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setUndoRedoEnabled(false); // an undo stack would grow without bound under a stream
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleStrategy(QFont::PreferNoShaping); // a terminal's text needs no shaping, and a stream lays out a lot
    font.setKerning(false);
    setFont(font);
    setAcceptDrops(false);
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        if (!m_drawing)
            onContentsChange();
    });
}

QString TerminalView::rendered(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            shown += u'\n';
            ++i;
        } else if (c == u'\r') {
            shown += QChar(kLoneCr);
        } else if (c == u'\n') {
            shown += QChar(kLoneLf);
        } else {
            shown += c;
        }
    }
    return shown;
}

QString TerminalView::unrendered(QStringView shown)
{
    QString text;
    text.reserve(shown.size());
    for (const QChar c : shown) {
        if (c == u'\n' || c == QChar::ParagraphSeparator)
            text += QStringLiteral("\r\n");
        else if (c == QChar(kLoneCr))
            text += u'\r';
        else if (c == QChar(kLoneLf))
            text += u'\n';
        else
            text += c;
    }
    return text;
}

void TerminalView::drawAll(const QString &text)
{
    setPlainText(rendered(text));
}

void TerminalView::draw(const QString &text, const TerminalText::Change &change)
{
    const QScopedValueRollback guard(m_drawing, true);
    const qsizetype dropped = change.dropped;
    const bool splitsPair =
        dropped > 0 && dropped < m_drawn.size() && m_drawn[dropped - 1] == u'\r' && m_drawn[dropped] == u'\n';
    if (dropped >= m_drawn.size() || splitsPair) {
        drawAll(text);
    } else {
        // A CR at the end of what stands may pair with what follows it now.
        qsizetype kept = change.kept;
        while (kept > 0 && text[kept - 1] == u'\r')
            --kept;
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        if (dropped > 0) {
            cursor.setPosition(int(shownLength(QStringView(m_drawn).first(dropped))), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        const qsizetype stale = shownLength(QStringView(m_drawn).sliced(dropped + kept));
        const int end = document()->characterCount() - 1;
        cursor.setPosition(end - int(stale));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.insertText(rendered(QStringView(text).sliced(kept)));
        cursor.endEditBlock();
    }
    m_drawn = text;
    if (change.shown)
        moveCursor(QTextCursor::End); // new text goes to the end, and the view follows it
}

void TerminalView::beforeLocalEdit()
{
    if (m_beforeLocalEdit)
        m_beforeLocalEdit();
}

void TerminalView::onContentsChange()
{
    // The box's own edit, whatever it was: the text follows what the box now holds.
    const QString now = unrendered(document()->toRawText());
    qsizetype front = 0;
    const qsizetype common = std::min(now.size(), m_drawn.size());
    while (front < common && now[front] == m_drawn[front])
        ++front;
    qsizetype back = 0;
    while (back < common - front && now[now.size() - 1 - back] == m_drawn[m_drawn.size() - 1 - back])
        ++back;
    const qsizetype removed = m_drawn.size() - front - back;
    const QString added = now.mid(front, now.size() - front - back);
    m_drawn = now;
    if (m_localEdit)
        m_localEdit(front, removed, added);
}

void TerminalView::keyPressEvent(QKeyEvent *event)
{
    beforeLocalEdit();
    const QString text = event->text();
    if (text.isEmpty() || event->key() == Qt::Key_Delete) {
        QPlainTextEdit::keyPressEvent(event); // no character: the box alone acts on it
        return;
    }
    if (text.size() > 1 || text.at(0).unicode() > kCodePageEnd) {
        QInputMethodEvent typed;
        typed.setCommitString(text);
        inputMethodEvent(&typed);
        event->accept();
        return;
    }
    quint16 keyAscii = text.at(0).unicode();
    if (m_keyPress)
        m_keyPress(keyAscii);
    if (keyAscii == 0) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Always the box's own line break, never a line separator within a paragraph.
        QKeyEvent plain(event->type(), event->key(), Qt::NoModifier, text);
        QPlainTextEdit::keyPressEvent(&plain);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TerminalView::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    beforeLocalEdit();
    // Committed text is typed text: each character takes a key's road.
    QString kept;
    for (const QChar c : event->commitString()) {
        quint16 keyAscii = c.unicode();
        if (keyAscii > kCodePageEnd)
            continue;
        if (m_keyPress)
            m_keyPress(keyAscii);
        if (keyAscii != 0)
            kept += QChar(keyAscii);
    }
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&rest);
}

void TerminalView::insertFromMimeData(const QMimeData *source)
{
    beforeLocalEdit();
    QPlainTextEdit::insertFromMimeData(source);
}

void TerminalView::contextMenuEvent(QContextMenuEvent *event)
{
    // Reading aids only: the box's text changes by keys, as typed text does.
    QMenu menu(this);
    menu.addAction(tr("&Copy"), this, &QPlainTextEdit::copy)->setEnabled(textCursor().hasSelection());
    menu.addAction(tr("Select &All"), this, &QPlainTextEdit::selectAll);
    menu.exec(event->globalPos());
}

void TerminalView::setLineLabels(LineLabel label, const QString &widest)
{
    m_lineLabel = std::move(label);
    if (!m_margin && !m_lineLabel)
        return; // never asked for: the view stays as it always was
    if (!m_margin) {
        m_margin = new Margin(this, [this](QPaintEvent *event) { paintMargin(event); });
        connect(this, &QPlainTextEdit::updateRequest, m_margin, [this](const QRect &rect, int dy) {
            if (dy)
                m_margin->scroll(0, dy);
            else
                m_margin->update(0, rect.y(), m_margin->width(), rect.height());
        });
    }
    const int width = m_lineLabel ? fontMetrics().horizontalAdvance(widest) + 2 * fontMetrics().averageCharWidth() : 0;
    setViewportMargins(width, 0, 0, 0);
    const QRect inside = contentsRect();
    m_margin->setGeometry(inside.left(), inside.top(), width, inside.height());
    m_margin->setVisible(bool(m_lineLabel));
}

void TerminalView::updateLineLabels()
{
    if (m_margin && m_lineLabel)
        m_margin->update();
}

void TerminalView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    if (m_margin)
        m_margin->setGeometry(QRect(contentsRect().topLeft(), QSize(m_margin->width(), contentsRect().height())));
}

void TerminalView::paintMargin(QPaintEvent *event)
{
    QPainter painter(m_margin);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int right = m_margin->width() - fontMetrics().averageCharWidth();
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= event->rect().bottom()) {
        const qreal height = blockBoundingRect(block).height();
        if (top + height >= event->rect().top())
            painter.drawText(QRect(0, qRound(top), right, fontMetrics().height()), Qt::AlignRight,
                             lineLabel(block.blockNumber()));
        block = block.next();
        top += height;
    }
}
