// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "adapter/FtdiBus.h"
#include "serial/UsbFacts.h"

#include <functional>
#include <memory>

struct ftdi_context;

// An FTDI chip through libftdi1, found by its place on the USB bus. The kernel's serial driver is
// detached from the channel while this object lives and attached again when it goes, so that the
// serial device comes back.
class LibFtdiBus : public FtdiBus
{
public:
    // The chip behind facts, opened; or why not, in one line with the cause and the fix.
    static std::unique_ptr<LibFtdiBus> open(const UsbFacts &facts, QString *error);
    // Opens the device behind a serial device path when sysfs (under sysRoot) says it is an FTDI
    // chip with synchronous bit-bang; none otherwise.
    static std::function<std::unique_ptr<FtdiBus>(QString *error)>
    openerFor(const QString &devicePath, const QString &sysRoot = QStringLiteral("/sys"));
    ~LibFtdiBus() override;
    LibFtdiBus(const LibFtdiBus &) = delete;
    LibFtdiBus &operator=(const LibFtdiBus &) = delete;

    FtdiBuffers buffers() const override;
    Failure readPins(quint8 &pins) override;
    Failure setSyncBitbang(quint8 outputs) override;
    Failure resetBitmode() override;
    Failure setPinRate(int statesPerSecond) override;
    Failure write(const QByteArray &states) override;
    Failure read(QByteArray &samples, int count) override;

private:
    LibFtdiBus(ftdi_context *context, const UsbFacts &facts);
    Failure checked(int result, const char *what) const;

    ftdi_context *m_context;
    UsbFacts m_facts;
    bool m_open = false;
};
