// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class ConsoleHost;
struct AppState;

// The console that runs while the chip is held in programming mode: one-letter commands
// typed in the terminal view, read from the key hand-over cell.
class Module1
{
public:
    static inline const QString kCrLf = QStringLiteral("\r\n");
    // Key codes of ReadHexKeys; text that is no hex number gives Hex::kInvalid.
    static constexpr qint32 kNext = -1, kFinish = -2, kPrevious = -3, kKeep = -4;

    Module1(ConsoleHost &host, AppState &app)
        : m_host(host)
        , m_app(app)
    {}

    void ConsoleLoop();
    void ConsolePrint(const QString &text);
    void PrintHelp();

    qint32 ReadHexKeys(int maxDigits);
    qint32 PromptHex(const QString &prompt, qint32 defaultValue);
    void ViewMemory();
    void ModifyMemory();
    void PrintViewByte(qint32 address, quint8 value, bool first, bool last);

    void HexDownload();
    // The address the running download writes, or wrote last.
    qint32 downloadAddress() const { return m_downloadAddress; }
    // Asleep until a key comes: what is typed now is read, not discarded.
    bool atPrompt() const { return m_atPrompt; }

private:
    void printBanner();
    void runCommand(quint8 c);
    void selectSpace(bool data);
    void showSpace(bool data); // its colour and its name
    void waitForKey();
    void modifyLoop();

    ConsoleHost &m_host;
    AppState &m_app;
    qint32 m_endAddress = 0;
    qint32 m_downloadAddress = 0;
    QString m_asciiLine;
    bool m_atPrompt = false;
};
