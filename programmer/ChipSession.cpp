// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/ChipSession.h"

#include "common/EventWait.h"
#include "programmer/ChipMemory.h"
#include "programmer/TargetControl.h"
#include "serial/MSComm.h"

#include <tuple>

ChipSession::Release::~Release()
{
    // Every way out releases the target; what the run reports is its own outcome.
    std::ignore = m_target.release();
}

// A line refused because the port went away says little; the description of the loss says
// why. It comes through the event loop, so let it arrive first.
template <typename Step>
auto ChipSession::guarded(Step step)
{
    try {
        return step();
    } catch (const SessionStopped &) {
        throw;
    } catch (const ChipError &) {
        EventWait::pending();
        if (m_lost)
            throw ChipError(*m_lost);
        throw;
    }
}

ChipSession::ChipSession(MSComm &comm, TargetControl &target, ChipMemory &memory, bool dataSpace,
                         StopRequest stopRequested)
    : m_release(target)
    , m_target(target)
    , m_memory(memory)
    , m_dataSpace(dataSpace)
    , m_stopRequested(std::move(stopRequested))
{
    m_lostConnection.connection =
        QObject::connect(&comm, &MSComm::lost, &comm, [this](const QString &description) { m_lost = description; });
    guarded([this] { enter(); });
}

void ChipSession::enter()
{
    throwIfFailed(m_target.ready());
    // As the terminal's programming mode: reset held on DTR, then one programming enable.
    throwIfFailed(m_target.holdInReset());
    m_memory.ProgrammingEnable();
}

void ChipSession::betweenBytes() const
{
    if (m_lost)
        throw ChipError(*m_lost);
    if (m_stopRequested && m_stopRequested())
        throw SessionStopped(QObject::tr("Interrupted"));
}

void ChipSession::write(const std::map<quint32, quint8> &bytes, const Progress &progress)
{
    guarded([&] {
        ChipMemory::Cells cells;
        qsizetype done = 0;
        for (auto next = bytes.begin(); next != bytes.end();) {
            betweenBytes();
            cells.clear();
            for (; next != bytes.end() && cells.size() < m_memory.batch(); ++next)
                cells.append({qint32(next->first), next->second});
            m_memory.writeMany(m_dataSpace, cells);
            done += cells.size();
            if (progress)
                progress(done, qsizetype(bytes.size()));
        }
    });
}

ChipSession::VerifyReport ChipSession::verify(const std::map<quint32, quint8> &bytes, const Progress &progress)
{
    return guarded([&] {
        VerifyReport report;
        QList<qint32> addresses;
        for (auto next = bytes.begin(); next != bytes.end();) {
            betweenBytes();
            addresses.clear();
            for (auto at = next; at != bytes.end() && addresses.size() < m_memory.batch(); ++at)
                addresses.append(qint32(at->first));
            for (char inChip : m_memory.readMany(m_dataSpace, addresses))
                compare(report, *next++, quint8(inChip));
            if (progress)
                progress(report.verified, qsizetype(bytes.size()));
        }
        return report;
    });
}

void ChipSession::compare(VerifyReport &report, std::pair<quint32, quint8> inFile, quint8 inChip)
{
    if (++report.verified == 1)
        report.everyByte = inChip;
    else if (report.everyByte != inChip)
        report.everyByte.reset();
    if (inChip != inFile.second && ++report.mismatches <= kKeptMismatches)
        report.first.append({inFile.first, inChip, inFile.second});
}

QByteArray ChipSession::read(quint32 first, quint32 last, const Progress &progress)
{
    return guarded([&] {
        QByteArray bytes;
        const qsizetype total = qsizetype(last) - qsizetype(first) + 1;
        bytes.reserve(total);
        QList<qint32> addresses;
        while (bytes.size() < total) {
            betweenBytes();
            addresses.clear();
            for (qint64 address = first + bytes.size(); address <= last && addresses.size() < m_memory.batch();
                 ++address)
                addresses.append(qint32(address));
            bytes += m_memory.readMany(m_dataSpace, addresses);
            if (progress)
                progress(bytes.size(), total);
        }
        return bytes;
    });
}
