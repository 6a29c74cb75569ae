// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class SettingsStore;

// The text-transfer and programmer settings, as the Properties dialog's fields hold them.
struct PropertyValues
{
    int chkWaitFor = 0;       // after each line, wait for the end-of-line character
    QString txtEOLChar;       // that character's code, decimal
    int chkLineDelay = 0;     // after each line, wait a fixed delay
    QString txtLineDelay;     // that delay, milliseconds
    int chkStart = 0;         // send a start word before a transfer
    QString txtStartWord;     // the start word
    QString txtStartFileType; // file patterns that get it
    QString txtStartDelay;    // delay after it, milliseconds
    int chkRTS = 0;           // invert the data the programmer drives on RTS

    bool operator==(const PropertyValues &) const = default;
};

// Those values with the dialog's lifecycle, and no dialog: created from the store on first use,
// discarded by OK and Cancel, created from the store again on the next use. So Cancel discards
// every edit and OK (which stores them first) takes effect everywhere.
class PropertiesModel
{
public:
    explicit PropertiesModel(const SettingsStore &store)
        : m_store(store)
    {}

    const PropertyValues &values();
    // The dialog's fields as the user changes them; the rest of the program sees them at once.
    void edit(const PropertyValues &values);
    void discard();

    // For the paths that ask often (every received chunk, every programmed byte): worked out
    // when the values change, not at each use.
    std::optional<char16_t> eolCharacter(); // txtEOLChar as a code 0-255; nothing when it is none
    bool invertsData() { return values().chkRTS == 1; }

private:
    const SettingsStore &m_store;
    std::optional<PropertyValues> m_values;
    std::optional<char16_t> m_eol;
};
