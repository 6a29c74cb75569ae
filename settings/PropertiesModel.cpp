// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PropertiesModel.h"

#include "settings/PropertyRanges.h"
#include "settings/StoredProperties.h"

namespace {

// The keys in the order the dialog's loader reads them, with the defaults both readers pass.
const SettingsStore::Entries kKeys = {
    {QStringLiteral("TextEOLCheck"), QStringLiteral("1")},
    {QStringLiteral("TextEOLValue"), QStringLiteral("6")},
    {QStringLiteral("LineDelayCheck"), QStringLiteral("1")},
    {QStringLiteral("LineDelayValue"), QStringLiteral("50")},
    {QStringLiteral("StartTransferCheck"), QStringLiteral("0")},
    {QStringLiteral("StartTransferWord"), QStringLiteral("LOADB")},
    {QStringLiteral("StartFileType"), QStringLiteral("*.DLX")},
    {QStringLiteral("StartTransferDelay"), QStringLiteral("1000")},
    {QStringLiteral("TextRTSCheck"), QStringLiteral("0")},
};

// The fields as the loader fills them: check states that do not convert leave a fresh box.
PropertyValues fields(const SettingsStore &store, const QStringList &s)
{
    PropertyValues v;
    const auto loadCheck = [&store, &s](int &box, int index) {
        if (const auto state = StoredProperties::checkState(store, kKeys[index].first, s[index], box))
            box = *state;
    };
    loadCheck(v.chkWaitFor, 0);
    v.txtEOLChar = s[1];
    loadCheck(v.chkLineDelay, 2);
    v.txtLineDelay = s[3];
    loadCheck(v.chkStart, 4);
    v.txtStartWord = s[5];
    v.txtStartFileType = s[6];
    v.txtStartDelay = s[7];
    loadCheck(v.chkRTS, 8);
    return v;
}

} // namespace

const PropertyValues &PropertiesModel::values()
{
    if (!m_values) {
        QStringList defaults;
        for (const auto &[key, value] : kKeys)
            defaults << value;
        PropertyValues v = fields(m_store, StoredProperties::read(m_store, kKeys));
        PropertyRanges::mend(v, fields(m_store, defaults), m_store);
        edit(v);
    }
    return *m_values;
}

void PropertiesModel::discard()
{
    m_values.reset();
}

std::optional<char16_t> PropertiesModel::eolCharacter()
{
    values();
    return m_eol;
}

void PropertiesModel::edit(const PropertyValues &values)
{
    m_values = values;
    bool ok = false;
    const int code = values.txtEOLChar.trimmed().toInt(&ok);
    m_eol = ok && code >= 0 && code <= 255 ? std::optional<char16_t>(char16_t(code)) : std::nullopt;
}
