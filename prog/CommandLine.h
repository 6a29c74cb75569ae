// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class SettingsStore;

// What the terminal has stored that the programmer shares with it, so both drive the same
// port the same way.
struct StoredDefaults
{
    QString port = QStringLiteral("Com1"); // the terminal's port before anything is stored
    bool invertData = false;
    // What the store said while each was read: a value out of range and what is used instead.
    QStringList portWarnings;
    QStringList invertWarnings;

    static StoredDefaults read(const SettingsStore &store);
};

struct ProgOptions
{
    enum class Command { Write, Verify, Read, Probe, List };
    Command command = Command::Write;
    QString file; // the HEX file to write or verify, or the one read writes
    QString port;
    bool invertData = false;
    bool dataSpace = false;
    quint32 first = 0; // read's range, inclusive
    quint32 last = 0;
    std::optional<int> settleUs;    // instead of the port map's
    std::optional<QString> backend; // auto, lines or ftdi, instead of the port map's
    bool verbose = false;
    bool quiet = false; // no line naming the device
};

// The command line of tavro-prog, checked as a whole.
class CommandLine
{
public:
    CommandLine(const QStringList &arguments, const StoredDefaults &defaults);

    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    const QString &helpText() const { return m_helpText; }
    const std::optional<QString> &error() const { return m_error; }
    const ProgOptions &options() const { return m_options; }
    // The store's warnings about the values it gives this run; one the command line overrides is not worth saying.
    const QStringList &storedWarnings() const { return m_storedWarnings; }

private:
    std::optional<QString> interpret(const class QCommandLineParser &parser, const QStringList &positional);
    static std::optional<QString> checkPort(const QString &text);
    std::optional<QString> takeRange(const QString &text);
    std::optional<QString> takeSettle(const QString &text);

    bool m_help = false;
    bool m_version = false;
    QString m_helpText;
    std::optional<QString> m_error;
    ProgOptions m_options;
    QStringList m_storedWarnings;
};
