#include "programmer/HexImage.h"

#include <QObject>
#include <vector>

namespace {

QString hex(quint64 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A control or non-ASCII byte would garble the message line.
QString shown(char c)
{
    if (c > ' ' && c < 127)
        return QStringLiteral("'%1'").arg(QLatin1Char(c));
    return QStringLiteral("byte %1").arg(hex(quint8(c), 2));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

// Reads one line after another into the image; faults never stop it, so that a file is
// reported with everything that is wrong in it.
class HexParser
{
public:
    HexParser(HexImage &image, quint32 lastAddress) : m_image(image), m_lastAddress(lastAddress) {}

    // False once the end record has been read.
    bool line(QByteArrayView text, int number)
    {
        m_line = number;
        while (!text.isEmpty() && isBlank(text.front()))
            text = text.sliced(1);
        while (!text.isEmpty() && isBlank(text.back()))
            text.chop(1);
        if (text.isEmpty())
            return true;
        if (text.front() != ':') {
            fault(QObject::tr("not a record: the line does not start with ':'"));
            return true;
        }
        std::vector<quint8> record;
        if (!decode(text.sliced(1), record))
            return true;
        return take(record);
    }

    void finish()
    {
        if (m_image.m_faultCount == 0)
            for (const auto &[address, cell] : m_cells)
                m_image.m_bytes.emplace(address, cell.value);
    }

private:
    struct Cell
    {
        quint8 value;
        int line;
    };

    void fault(const QString &reason)
    {
        if (m_image.m_faults.size() < HexImage::kKeptFaults)
            m_image.m_faults.append({m_line, reason});
        ++m_image.m_faultCount;
    }

    bool decode(QByteArrayView digits, std::vector<quint8> &record)
    {
        for (qsizetype i = 0; i < digits.size(); ++i)
            if (digitValue(digits[i]) < 0) {
                fault(QObject::tr("%1 is not a hex digit (column %2)").arg(shown(digits[i])).arg(i + 2));
                return false;
            }
        if (digits.size() % 2 != 0) {
            fault(QObject::tr("odd number of hex digits (%1)").arg(digits.size()));
            return false;
        }
        for (qsizetype i = 0; i < digits.size(); i += 2)
            record.push_back(quint8(digitValue(digits[i]) * 16 + digitValue(digits[i + 1])));
        if (record.size() < 5) {
            fault(QObject::tr("record too short (%1 bytes, at least 5 needed)").arg(record.size()));
            return false;
        }
        const int count = record[0];
        if (int(record.size()) - 5 != count) {
            fault(QObject::tr("byte count %1 but the record holds %2 data bytes").arg(count).arg(record.size() - 5));
            return false;
        }
        quint8 sum = 0;
        for (std::size_t i = 0; i + 1 < record.size(); ++i)
            sum = quint8(sum + record[i]);
        const quint8 expected = quint8(-sum);
        if (record.back() != expected) {
            fault(QObject::tr("bad checksum %1, the record's bytes need %2").arg(hex(record.back(), 2), hex(expected, 2)));
            return false;
        }
        return true;
    }

    bool take(const std::vector<quint8> &record)
    {
        const int count = record[0];
        const quint16 offset = quint16(record[1] * 256 + record[2]);
        const int type = record[3];
        const quint8 *data = record.data() + 4;
        switch (type) {
        case 0x00:
            data16(offset, data, count);
            return true;
        case 0x01:
            if (count != 0)
                fault(QObject::tr("end-of-file record with %1 data bytes").arg(count));
            return false;
        case 0x02:
        case 0x04:
            if (count != 2 || offset != 0) {
                fault(QObject::tr("extended address record needs 2 data bytes and address 0000"));
                return true;
            }
            m_segmented = type == 0x02;
            m_base = type == 0x02 ? quint64(data[0] * 256 + data[1]) * 16 : quint64(data[0] * 256 + data[1]) << 16;
            return true;
        case 0x03:
        case 0x05:
            if (count != 4)
                fault(QObject::tr("start address record needs 4 data bytes"));
            return true;
        default:
            fault(QObject::tr("unknown record type %1").arg(hex(type, 2)));
            return true;
        }
    }

    void data16(quint16 offset, const quint8 *data, int count)
    {
        if (count == 0)
            return;
        // A segment wraps within its 64 KiB; a linear address runs on.
        auto addressOf = [&](int i) {
            return m_segmented ? m_base + quint16(offset + i) : m_base + offset + quint64(i);
        };
        for (int i = 0; i < count; ++i)
            if (addressOf(i) > m_lastAddress) {
                fault(QObject::tr("data for address %1, beyond the last address %2")
                          .arg(hex(addressOf(i), 4), hex(m_lastAddress, 4)));
                return;
            }
        for (int i = 0; i < count; ++i) {
            const auto [it, added] = m_cells.try_emplace(quint32(addressOf(i)), Cell{data[i], m_line});
            if (!added && it->second.value != data[i]) {
                fault(QObject::tr("address %1 is given %2 here but %3 on line %4")
                          .arg(hex(it->first, 4), hex(data[i], 2), hex(it->second.value, 2))
                          .arg(it->second.line));
                return;
            }
        }
    }

    HexImage &m_image;
    const quint32 m_lastAddress;
    std::map<quint32, Cell> m_cells;
    quint64 m_base = 0;
    bool m_segmented = false;
    int m_line = 0;
};

HexImage HexImage::parse(const QByteArray &text, quint32 lastAddress)
{
    HexImage image;
    HexParser parser(image, lastAddress);
    int number = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (!parser.line(QByteArrayView(text).sliced(start, end - start), ++number))
            break;
        start = end + 1;
    }
    parser.finish();
    return image;
}
