// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/ChipSession.h"

#include "common/EventWait.h"
#include "programmer/ChipMemory.h"
#include "programmer/TargetControl.h"
#include "serial/MSComm.h"

ChipSession::Release::~Release()
{
    m_target.release();
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
    , m_comm(comm)
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
    if (!m_comm.PortOpen())
        throw ChipError(QObject::tr("The port is not open"));
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
        qsizetype done = 0;
        for (const auto &[address, value] : bytes) {
            betweenBytes();
            m_memory.write(m_dataSpace, qint32(address), value);
            if (progress)
                progress(++done, qsizetype(bytes.size()));
        }
    });
}

ChipSession::VerifyReport ChipSession::verify(const std::map<quint32, quint8> &bytes, const Progress &progress)
{
    return guarded([&] {
        VerifyReport report;
        for (const auto &[address, value] : bytes) {
            betweenBytes();
            const quint8 inChip = m_memory.read(m_dataSpace, qint32(address));
            if (++report.verified == 1)
                report.everyByte = inChip;
            else if (report.everyByte != inChip)
                report.everyByte.reset();
            if (inChip != value && ++report.mismatches <= kKeptMismatches)
                report.first.append({address, inChip, value});
            if (progress)
                progress(report.verified, qsizetype(bytes.size()));
        }
        return report;
    });
}

QByteArray ChipSession::read(quint32 first, quint32 last, const Progress &progress)
{
    return guarded([&] {
        QByteArray bytes;
        const qsizetype total = qsizetype(last) - qsizetype(first) + 1;
        bytes.reserve(total);
        for (quint64 address = first; address <= last; ++address) {
            betweenBytes();
            bytes.append(char(m_memory.read(m_dataSpace, qint32(address))));
            if (progress)
                progress(bytes.size(), total);
        }
        return bytes;
    });
}
