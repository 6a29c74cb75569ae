// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QtGlobal>

// Which bit of a bit-bang byte each UART line is: the same on the FT232R and on the first channel
// of the FT2232 and FT232H families.
struct FtdiPins
{
    quint8 txd = 0x01;
    quint8 rts = 0x04;
    quint8 cts = 0x08;
    quint8 dtr = 0x10;
    quint8 outputs() const { return quint8(txd | rts | dtr); }
};

// The chip's own buffers, in bytes: a write takes at most tx of them, and at most tx + rx states
// may be written and not yet read back, or the samples overrun.
struct FtdiBuffers
{
    int tx = 128;
    int rx = 256;
};

// The few calls of libftdi1 that synchronous bit-bang needs, so that a model of the adapter can
// stand in for the device. In synchronous bit-bang the chip applies each byte written to its
// pins at the pin rate and returns, for each, the pins as they stood just before it applied it.
class FtdiBus
{
public:
    virtual ~FtdiBus() = default;

    virtual FtdiBuffers buffers() const = 0;
    virtual Failure readPins(quint8 &pins) = 0;               // ftdi_read_pins
    virtual Failure setSyncBitbang(quint8 outputs) = 0;       // ftdi_set_bitmode(.., BITMODE_SYNCBB)
    virtual Failure resetBitmode() = 0;                       // ftdi_set_bitmode(0, BITMODE_RESET): the UART again
    virtual Failure setPinRate(int statesPerSecond) = 0;      // ftdi_set_baudrate
    virtual Failure write(const QByteArray &states) = 0;      // ftdi_write_data, all of it
    virtual Failure read(QByteArray &samples, int count) = 0; // ftdi_read_data until count have come
};
