// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TextSender.h"

#include "common/AppState.h"
#include "common/EventWait.h"
#include "common/UserDialogs.h"
#include "settings/PropertiesModel.h"
#include "transfer/PacingTimer.h"
#include "transfer/SenderHost.h"

#include <QRegularExpression>
#include <cmath>

bool TextSender::wantsStartWord(const QString &path, const QString &fileTypes)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false; // no extension, no start word
    return fileTypes.contains(QLatin1Char('*') + path.mid(dot), Qt::CaseInsensitive);
}

int TextSender::milliseconds(const QString &text)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const auto match = leading.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = std::nearbyint(match.captured(1).toDouble()); // ties to even
    return static_cast<int>(std::clamp(value, 0.0, double(kMaxDelayMs)));
}

bool TextSender::stopRequested() const
{
    return m_aborted || m_app.StopSending;
}

void TextSender::yieldIfDue()
{
    // Long runs without pauses still let the window repaint and take the stop click.
    if (m_sinceYield.elapsed() >= kYieldEveryMs) {
        EventWait::pending();
        m_sinceYield.restart();
    }
}

bool TextSender::pause(int ms)
{
    PacingTimer &timer = m_host.timer();
    if (ms < 1) {
        EventWait::pending();
        return !stopRequested();
    }
    timer.start(ms);
    // Each yield lets what is pending run, then the stop is looked at, and only then does the
    // wait sleep: a stop clicked before the pause ends it at its first yield.
    while (timer.isRunning()) {
        EventWait::pending();
        if (stopRequested())
            return false;
        if (timer.isRunning())
            EventWait::next();
    }
    m_sinceYield.restart();
    return !stopRequested();
}

void TextSender::waitForEol()
{
    PacingTimer &timer = m_host.timer();
    while (!m_host.eolReceived() && timer.isRunning() && !m_aborted)
        EventWait::next();
    timer.setEnabled(false);
    m_sinceYield.restart();
}

bool TextSender::waitForRoom()
{
    // Keeps the port's queue short, so a huge file never piles up in memory.
    while (m_host.pendingOutput() > kMaxQueuedBytes) {
        EventWait::next();
        if (stopRequested())
            return false;
    }
    return true;
}

TextSender::Step TextSender::sendStartWord(Failure &failure)
{
    const PropertyValues &settings = m_host.properties();
    if (settings.chkStart != 1 || !wantsStartWord(m_host.lastTextFile(), settings.txtStartFileType))
        return Step::Next;
    if ((failure = m_host.output(settings.txtStartWord.toLatin1() + '\r')))
        return Step::Done;
    return pause(milliseconds(m_host.properties().txtStartDelay)) ? Step::Next : Step::Done;
}

TextSender::Step TextSender::sendPieces(LineReader::Piece piece, Failure &failure)
{
    for (;;) {
        if (piece.lineEnd)
            piece.bytes.append('\r');
        if (!waitForRoom())
            return Step::Done;
        if ((failure = m_host.output(piece.bytes)))
            return Step::Done;
        if (piece.lineEnd)
            return Step::Next;
        yieldIfDue();
        // A line of gigabytes is no reason to ignore the stop click until its end.
        if (stopRequested() || !m_reader)
            return Step::Done;
        auto more = m_reader->next(failure);
        if (!more)
            return Step::Done; // the reader always ends a line before the file's end
        piece = std::move(*more);
    }
}

TextSender::Step TextSender::sendLine(Failure &failure)
{
    auto piece = m_reader->next(failure);
    if (!piece)
        return Step::Done;
    m_host.clearEolReceived();
    ++m_line;
    if (sendPieces(std::move(*piece), failure) == Step::Done)
        return Step::Done;
    m_host.timer().start(m_eolTimeoutMs);
    if (m_host.properties().chkWaitFor == 1)
        waitForEol();
    if (m_host.properties().chkLineDelay == 1 && !pause(milliseconds(m_host.properties().txtLineDelay)))
        return Step::Done;
    yieldIfDue();
    return stopRequested() ? Step::Done : Step::Next;
}

void TextSender::SendText()
{
    if (m_running)
        return;
    QString error;
    m_reader = LineReader::open(m_host.lastTextFile(), &error, m_pieceSize);
    if (!m_reader) {
        m_host.messages().warn(error);
        finish();
        return;
    }
    m_running = true;
    m_aborted = false;
    m_line = 0;
    m_host.transferChanged(true);
    m_host.setCaption(QStringLiteral("Send Text > ") + m_host.lastTextFile());
    m_app.StopSending = false;
    m_host.setStatusText(kStopPrompt);
    m_sinceYield.start();
    Failure failure;
    if (sendStartWord(failure) == Step::Next)
        while (m_reader && sendLine(failure) == Step::Next) {
        }
    if (m_aborted)
        return; // abort() has finished it already
    if (failure)
        m_host.messages().warn(*failure);
    finish();
}

void TextSender::abort()
{
    if (!m_running)
        return;
    m_aborted = true;
    finish(); // now, not when the waits unwind: the caller shows the window's state next
}

void TextSender::finish()
{
    m_reader.reset();
    m_running = false;
    m_host.transferChanged(false);
    m_app.StopSending = true;
    m_host.setStatusText(QStringLiteral("Settings: ") + m_host.portSettings());
}
