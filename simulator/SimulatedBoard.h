// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialDevice.h"
#include "simulator/ChipImage.h"
#include "simulator/SimulatedChip.h"

#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>

// A board without hardware: firmware on the data line that echoes what it receives and
// answers a space with its banner, and the target chip on the modem lines. The firmware is
// the chip's own program: held in reset it hears nothing, and while TxD is in break its
// receiver gets no data (what is sent then is lost) and notes the break instead.
//
// It can sit behind a slow USB adapter: a line change then reaches the chip, and CTS shows
// what the chip drives, only the adapter's latency after the host asked for it.
class SimulatedBoard : public SerialDevice
{
    Q_OBJECT
public:
    static inline const QByteArray kBanner = QByteArrayLiteral("\r\nTavro simulated board ready\r\n> ");
    static constexpr qsizetype kLineChunk = 4096; // what a pseudo-terminal hands over per read

    // The chip is shared so that tests and persistence can outlive one open.
    explicit SimulatedBoard(std::shared_ptr<SimulatedChip> chip, bool invertedData = false, QObject *parent = nullptr);
    ~SimulatedBoard() override;

    // The chip's memories live in this folder while the board is open (see ChipImage), so what
    // was programmed is still there at the next start, and only one board at a time has them.
    void keepChipIn(const QString &folder) { m_imageFolder = folder; }

    Failure open(const LineFormat &format) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    // Any format; with RTS/CTS flow control RTS is the driver's, as on a real port.
    Failure apply(const LineFormat &format) override;
    const LineFormat &format() const { return m_format; }

    Failure write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    qint64 bytesToWrite() const override { return m_onTheLine.size(); }

    Failure setRequestToSend(bool on) override;
    Failure setDataTerminalReady(bool on) override;
    Failure setBreak(bool on) override;
    bool clearToSend() const override;

    QString description() const override { return tr("Built-in simulated board"); }

    SimulatedChip &chip() { return *m_chip; }

    void setAdapterLatency(std::chrono::microseconds latency) { m_latencyNs = latency.count() * 1000; }
    int breaksHeard() const { return m_breaksHeard; } // by the firmware, while it ran

    // The cable is pulled: every further call fails and the host hears of it through lost;
    // the board stays open until its owner closes it, as a vanished port does.
    void unplug();
    // The cable back in: the board can be opened again, as a returning adapter can.
    void plugIn() { m_unplugged = false; }
    bool present() const override { return !m_unplugged; }

private:
    struct Change
    {
        SimulatedChip::Line line;
        bool level;
        qint64 atNs; // on the chip's clock
    };

    bool connected() const { return m_open && !m_unplugged; }
    Failure closedFailure() const;
    Failure change(SimulatedChip::Line line, bool level);
    // The adapter's state is no state of the board as the host sees it: reading CTS moves it on.
    void applyDue(qint64 untilNs) const;
    void apply(const Change &change) const;
    void scheduleAdapter() const;
    void deliver(const QByteArray &bytes);
    void arrive();

    std::shared_ptr<SimulatedChip> m_chip;
    bool m_invertedData;
    bool m_open = false;
    bool m_unplugged = false;
    QString m_imageFolder; // empty: the chip lives only in memory
    std::unique_ptr<ChipImage> m_image;
    QByteArray m_received;  // waiting for the host to read
    QByteArray m_onTheLine; // the echo on its way
    QTimer m_line;
    LineFormat m_format;
    qint64 m_latencyNs = 0;
    mutable std::deque<Change> m_pending; // asked for, not yet at the chip
    mutable QTimer m_adapter;             // brings them there when nothing else does
    mutable bool m_break = false;         // TxD as the board receives it
    mutable bool m_hearingBreak = false;
    mutable int m_breaksHeard = 0;
};
