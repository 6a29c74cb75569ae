// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programmer/ChipError.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>
#include <map>
#include <optional>

class ChipMemory;
class MSComm;
class TargetControl;

// The run was stopped on request (Ctrl-C) between two bytes.
class SessionStopped : public ChipError
{
public:
    using ChipError::ChipError;
};

// One programming run on an open port: the target is held in reset with programming enabled
// from construction until destruction, which releases it (break off, RTS and DTR cleared)
// however the run ends. Bytes go in runs of as many as the back end takes at once. Every
// failure, a lost port included, arrives as ChipError.
class ChipSession
{
public:
    struct Mismatch
    {
        quint32 address;
        quint8 inChip;
        quint8 inFile;
    };
    struct VerifyReport
    {
        qsizetype verified = 0;          // bytes compared
        qsizetype mismatches = 0;        // of which differ
        QList<Mismatch> first;           // the first kKeptMismatches of them, by address
        std::optional<quint8> everyByte; // what every byte read came back as, when all came back alike
        bool ok() const { return mismatches == 0; }
    };
    static constexpr int kKeptMismatches = 10;

    // Called after every byte with the bytes done and the bytes to do.
    using Progress = std::function<void(qsizetype done, qsizetype total)>;
    // Asked between bytes; true stops the run with SessionStopped.
    using StopRequest = std::function<bool()>;

    ChipSession(MSComm &comm, TargetControl &target, ChipMemory &memory, bool dataSpace,
                StopRequest stopRequested = {});
    ChipSession(const ChipSession &) = delete;
    ChipSession &operator=(const ChipSession &) = delete;

    void write(const std::map<quint32, quint8> &bytes, const Progress &progress = {});
    VerifyReport verify(const std::map<quint32, quint8> &bytes, const Progress &progress = {});
    QByteArray read(quint32 first, quint32 last, const Progress &progress = {});

private:
    // First member: constructed before the lines are touched, so a failing constructor
    // still releases them.
    class Release
    {
    public:
        explicit Release(TargetControl &target)
            : m_target(target)
        {}
        ~Release();

    private:
        TargetControl &m_target;
    };

    struct ScopedConnection
    {
        QMetaObject::Connection connection;
        ~ScopedConnection() { QObject::disconnect(connection); }
    };

    void enter();
    void betweenBytes() const;
    static void compare(VerifyReport &report, std::pair<quint32, quint8> inFile, quint8 inChip);
    template <typename Step>
    auto guarded(Step step);

    Release m_release;
    TargetControl &m_target;
    ChipMemory &m_memory;
    bool m_dataSpace;
    StopRequest m_stopRequested;
    std::optional<QString> m_lost;
    ScopedConnection m_lostConnection; // after m_lost: gone before it
};
