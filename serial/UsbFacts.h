// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// What sysfs says of the USB device behind a serial device: its driver, its USB vendor and
// product, and where it sits on the bus. Nothing for a device that is no USB serial port (a
// pseudo-terminal, the simulated board, a built-in UART).
struct UsbFacts
{
    QString driver; // e.g. ftdi_sio
    quint16 vendor = 0;
    quint16 product = 0;
    QString description;  // the product string, e.g. "FT232R USB UART"
    QString serialNumber; // empty when the device has none
    QString usbPort;      // where it is plugged in, e.g. "1-1.4"; the same for any device in that socket
    int bus = 0;
    int address = 0;
    int interfaceNumber = 0; // of a chip with several, the one behind this device

    // sysRoot: where sysfs is mounted; tests make a tree of their own.
    static std::optional<UsbFacts> of(const QString &devicePath, const QString &sysRoot = QStringLiteral("/sys"));

    // An FTDI chip whose first channels can do synchronous bit-bang: FT232R, FT2232, FT4232H, FT232H.
    bool hasSyncBitbang() const;
    QString id() const; // "0403:6001"
};
