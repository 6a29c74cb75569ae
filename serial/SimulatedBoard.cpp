#include "serial/SimulatedBoard.h"

#include <QTimer>

SimulatedBoard::SimulatedBoard(std::shared_ptr<SimulatedChip> chip, bool invertedData, QObject *parent)
    : SerialDevice(parent)
    , m_chip(std::move(chip))
    , m_invertedData(invertedData)
{
    m_line.setInterval(0);
    connect(&m_line, &QTimer::timeout, this, &SimulatedBoard::arrive);
}

SimulatedBoard::~SimulatedBoard()
{
    close();
}

Failure SimulatedBoard::open(const LineFormat &)
{
    if (!m_imageFolder.isEmpty())
        if (Failure failure = m_chip->load(m_imageFolder))
            return failure;
    m_open = true;
    m_received.clear();
    return std::nullopt;
}

void SimulatedBoard::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_imageFolder.isEmpty())
        return;
    // Closing has no way to report; the next open shows what was kept.
    if (Failure failure = m_chip->save(m_imageFolder))
        qWarning("Simulated chip not saved: %s", qPrintable(*failure));
}

void SimulatedBoard::unplug()
{
    if (!connected())
        return;
    m_unplugged = true;
    emit lost(*closedFailure());
}

Failure SimulatedBoard::closedFailure() const
{
    if (m_unplugged)
        return tr("%1 is no longer available (unplugged)").arg(description());
    return tr("Operation valid only when the port is open");
}

void SimulatedBoard::deliver(const QByteArray &bytes)
{
    // Like a real line: the answer arrives later, through the event loop, a few KiB per
    // pass, and what is still on its way counts as queued, so a sender paces itself by it.
    m_onTheLine += bytes;
    if (!m_line.isActive())
        m_line.start();
}

void SimulatedBoard::arrive()
{
    if (!connected() || m_onTheLine.isEmpty()) {
        m_onTheLine.clear();
        m_line.stop();
        return;
    }
    m_received += m_onTheLine.left(kLineChunk);
    m_onTheLine.remove(0, kLineChunk);
    if (m_onTheLine.isEmpty())
        m_line.stop();
    emit readyRead();
}

Failure SimulatedBoard::write(const QByteArray &bytes)
{
    if (!connected())
        return closedFailure();
    if (m_chip->inReset())
        return std::nullopt; // firmware held in reset hears nothing
    QByteArray answer;
    for (char c : bytes) {
        answer += c;
        if (c == ' ')
            answer += kBanner;
    }
    deliver(answer);
    return std::nullopt;
}

QByteArray SimulatedBoard::readAll()
{
    return std::exchange(m_received, {});
}

Failure SimulatedBoard::setRequestToSend(bool on)
{
    if (!connected())
        return closedFailure();
    m_chip->setData(m_invertedData ? !on : on);
    return std::nullopt;
}

Failure SimulatedBoard::setDataTerminalReady(bool on)
{
    if (!connected())
        return closedFailure();
    m_chip->setReset(on);
    return std::nullopt;
}

Failure SimulatedBoard::setBreak(bool on)
{
    if (!connected())
        return closedFailure();
    m_chip->setClock(on);
    return std::nullopt;
}

bool SimulatedBoard::clearToSend() const
{
    return connected() && m_chip->dataOut();
}
