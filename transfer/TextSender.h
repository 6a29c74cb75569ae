// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "transfer/LineReader.h"

#include <QElapsedTimer>
#include <QString>
#include <memory>

class SenderHost;
struct AppState;

// Sends the last chosen text file to the board line by line, paced by the start word, the
// wait for the end-of-line character and the line pause. Runs inside the handler that called
// it and yields to the event loop while it waits.
class TextSender
{
public:
    static constexpr int kMaxDelayMs = 65535;
    static constexpr int kMaxQueuedBytes = 64 * 1024;
    static constexpr int kYieldEveryMs = 15;
    static inline const QString kStopPrompt = QStringLiteral("<<< Click here to stop sending >>> ");

    TextSender(SenderHost &host, AppState &app, int eolTimeoutMs, qsizetype pieceSize = LineReader::kDefaultPieceSize)
        : m_host(host)
        , m_app(app)
        , m_eolTimeoutMs(eolTimeoutMs)
        , m_pieceSize(pieceSize)
    {}

    void SendText();
    bool isRunning() const { return m_running; }
    // The line of the file being sent, counted from 1; 0 before the first.
    int line() const { return m_line; }
    // For closing the window or losing the port: ends every wait, closes the file and runs
    // the finishing steps at once, without a message; SendText returns when control gets
    // back to it.
    void abort();

    // Whether the file gets the start word: "*" and its extension occur in the type list.
    static bool wantsStartWord(const QString &path, const QString &fileTypes);
    // The number a field's text begins with, rounded, within 0 to 65535 ms.
    static int milliseconds(const QString &text);

private:
    enum class Step { Next, Done };

    Step sendStartWord(Failure &failure);
    Step sendLine(Failure &failure);
    Step sendPieces(LineReader::Piece first, Failure &failure);
    void waitForEol();
    bool pause(int ms);
    bool waitForRoom();
    bool stopRequested() const;
    void yieldIfDue();
    void finish();

    SenderHost &m_host;
    AppState &m_app;
    int m_eolTimeoutMs;
    qsizetype m_pieceSize;
    std::unique_ptr<LineReader> m_reader;
    QElapsedTimer m_sinceYield;
    bool m_running = false;
    int m_line = 0;
    bool m_aborted = false;
};
