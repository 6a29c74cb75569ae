// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PropertyRanges.h"

#include "settings/PropertiesModel.h"
#include "settings/StoredProperties.h"

#include <QRegularExpression>

namespace {

struct Range
{
    QString PropertyValues::*field;
    const char *key;     // where the store keeps it
    const char *caption; // what the dialog calls it
    int lowest;
    int highest;
    bool whole; // a character code has no fraction; a delay is read to the nearest millisecond
};

const Range kRanges[] = {
    {&PropertyValues::txtEOLChar, "TextEOLValue", "End of line wait for character", 0, 255, true},
    {&PropertyValues::txtLineDelay, "LineDelayValue", "End of line wait delay ms", 0, 65535, false},
    {&PropertyValues::txtStartDelay, "StartTransferDelay", "then delay for (ms)", 0, 65535, false},
};

bool fits(const Range &range, const QString &text)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    const QString trimmed = text.trimmed();
    if (!(range.whole ? whole : decimal).match(trimmed).hasMatch())
        return false;
    const double value = trimmed.toDouble();
    return value >= range.lowest && value <= range.highest;
}

} // namespace

namespace PropertyRanges {

Failure check(const PropertyValues &values)
{
    for (const Range &range : kRanges)
        if (!fits(range, values.*range.field))
            return QObject::tr("\"%1\" takes a number from %2 to %3, not \"%4\"")
                .arg(QString::fromLatin1(range.caption))
                .arg(range.lowest)
                .arg(range.highest)
                .arg(values.*range.field);
    return std::nullopt;
}

void mend(PropertyValues &values, const PropertyValues &defaults, const SettingsStore &store)
{
    for (const Range &range : kRanges) {
        QString &text = values.*range.field;
        if (fits(range, text))
            continue;
        store.warn(QObject::tr("%1 is not a number from %2 to %3; %4 is used instead")
                       .arg(StoredProperties::entryName(store, QString::fromLatin1(range.key), text))
                       .arg(range.lowest)
                       .arg(range.highest)
                       .arg(defaults.*range.field));
        text = defaults.*range.field;
    }
}

} // namespace PropertyRanges
