#pragma once

#include "serial/SerialDevice.h"
#include "serial/SimulatedChip.h"

#include <QTimer>
#include <memory>

// A board without hardware: firmware on the data line that echoes what it receives and
// answers a space with its banner, and the target chip on the modem lines.
class SimulatedBoard : public SerialDevice
{
    Q_OBJECT
public:
    static inline const QByteArray kBanner = QByteArrayLiteral("\r\nTavro simulated board ready\r\n> ");
    static constexpr qsizetype kLineChunk = 4096; // what a pseudo-terminal hands over per read

    // The chip is shared so that tests and persistence can outlive one open.
    explicit SimulatedBoard(std::shared_ptr<SimulatedChip> chip, bool invertedData = false, QObject *parent = nullptr);
    ~SimulatedBoard() override;

    // The chip's memories are loaded from this folder on open and saved there on close,
    // so what was programmed is still there at the next start.
    void keepChipIn(const QString &folder) { m_imageFolder = folder; }

    Failure open(const LineFormat &format) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    Failure apply(const LineFormat &) override { return std::nullopt; }

    Failure write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesToWrite() const override { return m_onTheLine.size(); }

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;

    QString description() const override { return tr("Built-in simulated board"); }

    SimulatedChip &chip() { return *m_chip; }

    // The cable is pulled: every further call fails and the host hears of it through lost;
    // the board stays open until its owner closes it, as a vanished port does.
    void unplug();

private:
    bool connected() const { return m_open && !m_unplugged; }
    Failure closedFailure() const;
    void deliver(const QByteArray &bytes);
    void arrive();

    std::shared_ptr<SimulatedChip> m_chip;
    bool m_invertedData;
    bool m_open = false;
    bool m_unplugged = false;
    QString m_imageFolder;  // empty: the chip lives only in memory
    QByteArray m_received;  // waiting for the host to read
    QByteArray m_onTheLine; // the echo on its way
    QTimer m_line;
};
