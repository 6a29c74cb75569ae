// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Waits.h"
#include "prog/CommandLine.h"
#include "prog/PortChoice.h"
#include "programmer/ChipSession.h"

#include <QTextStream>
#include <functional>
#include <map>
#include <optional>

class ProgressBar;

// The exit statuses, as --help lists them.
enum ExitStatus : int {
    kDone = 0,
    kDiffers = 1,
    kBadInput = 2,
    kPortFailure = 3,
    kInterrupted = 130,
};

// One run of tavro-prog once its command line is understood: the file is checked whole, then
// the port is opened and the chip held only for as long as the command needs it.
class ProgRun
{
public:
    using PortResolver = std::function<std::optional<PortChoice>(const QString &text, QString *error)>;

    struct Io
    {
        QTextStream &out;                // results, unless read puts its HEX there
        QTextStream &err;                // failures
        ProgressBar *progress = nullptr; // on a terminal only
        ChipSession::StopRequest stopRequested;
        Waits waits; // tests shorten the chip's waits
    };

    ProgRun(const ProgOptions &options, Io io)
        : m_options(options)
        , m_io(io)
    {}

    int exec(const PortResolver &resolvePort);

private:
    std::optional<std::map<quint32, quint8>> loadImage();
    // The back end of the run, for write and probe alike: bit-bang where asked or offered, else the
    // port's modem lines; a status other than kDone ends the run, said.
    int takeBackend(const PortChoice &port, MSComm &comm, BackendChoice &backend);
    QString backendAsked(const PortChoice &port) const; // for probe: what asked for it
    int runSession(ChipSession &session, const MSComm &comm, const std::map<quint32, quint8> &image,
                   class OutputFile *output);
    void hintIfBlank(const std::optional<quint8> &everyByte, qsizetype count);
    int reportVerify(const ChipSession::VerifyReport &report);
    ChipSession::Progress progressAs(const QString &what) const;
    QString spaceName() const;
    QTextStream &fail();
    QTextStream &result();

    const ProgOptions &m_options;
    Io m_io;
    bool m_hexOnOut = false; // results then go with the failures
};
