// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/HexDump.h"

void HexDump::append(QByteArrayView bytes)
{
    m_bytes.append(bytes);
    if (m_bytes.size() <= kLimit)
        return;
    // One cut however much came in one read.
    const qsizetype cut = (m_bytes.size() - kLimit + kTrimBlock - 1) / kTrimBlock * kTrimBlock;
    m_bytes.remove(0, cut);
    m_front += cut;
}

QString HexDump::line(qsizetype index) const
{
    const QByteArrayView bytes = QByteArrayView(m_bytes)
                                     .sliced(index * kBytesPerLine)
                                     .first(std::min(kBytesPerLine, m_bytes.size() - index * kBytesPerLine));
    QString text = QString::number(m_front + index * kBytesPerLine, 16).rightJustified(8, u'0') + u' ';
    QString shown;
    for (qsizetype i = 0; i < kBytesPerLine; ++i) {
        if (i % 8 == 0)
            text += u' ';
        if (i >= bytes.size()) {
            text += QStringLiteral("   ");
            continue;
        }
        const auto byte = uchar(bytes[i]);
        text += QString::number(byte, 16).rightJustified(2, u'0') + u' ';
        shown += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar(u'.');
    }
    return text + QStringLiteral(" |") + shown + u'|';
}
