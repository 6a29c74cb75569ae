// SPDX-License-Identifier: GPL-3.0-or-later
#include "programmer/HexImage.h"

#include "programmer/IntelHex.h"

#include <QObject>

void HexImage::fault(int line, const QString &reason)
{
    if (m_faults.size() < kKeptFaults)
        m_faults.append({line, reason});
    ++m_faultCount;
}

// Reads one line after another; faults never stop it, so that a file is reported with
// everything that is wrong in it. The end of file stops it.
HexImage HexImage::parse(const QByteArray &text, quint32 lastAddress)
{
    HexImage image;
    IntelHex::Placer placer(lastAddress);
    int line = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView record = QByteArrayView(text).sliced(start, end - start).trimmed();
        start = end + 1;
        ++line;
        if (record.isEmpty())
            continue;
        if (record.front() != ':') {
            image.fault(line, QObject::tr("not a record: the line does not start with ':'"));
            continue;
        }
        const auto placed = placer.place(record.sliced(1), line);
        if (const auto *f = std::get_if<IntelHex::Fault>(&placed))
            image.fault(line, f->reason);
        else if (std::get<IntelHex::Placer::Placed>(placed).kind == IntelHex::Placer::Placed::End)
            break;
    }
    if (image.ok())
        image.m_bytes = placer.bytes();
    return image;
}
