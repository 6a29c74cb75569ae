// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <utility>

// Received bytes as lines: CR, LF or CR LF end a line, also when the CR ends one read and the LF
// begins the next, and a line cut across reads is joined first. A line longer than kMaxLength
// is dropped whole, its tail too, so the splitter never holds more than kMaxLength bytes
// whatever arrives.
class LineSplitter
{
public:
    static constexpr qsizetype kMaxLength = 1024;

    // Calls line(QByteArrayView) for each line the bytes complete, empty ones included.
    template <typename Line>
    void split(QByteArrayView bytes, Line line);

private:
    void keep(QByteArrayView piece);

    std::array<char, kMaxLength> m_line;
    qsizetype m_length = 0;
    bool m_overlong = false;
    bool m_afterCr = false; // the last read ended with CR: a LF first in the next is its pair
};

template <typename Line>
void LineSplitter::split(QByteArrayView bytes, Line line)
{
    if (bytes.isEmpty())
        return;
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    if (std::exchange(m_afterCr, false) && *at == '\n')
        ++at;
    while (at != end) {
        const char *const stop = std::find_if(at, end, [](char c) { return c == '\r' || c == '\n'; });
        keep(QByteArrayView(at, stop));
        if (stop == end)
            return;
        if (!m_overlong)
            line(QByteArrayView(m_line.data(), m_length));
        m_length = 0;
        m_overlong = false;
        at = stop + 1;
        if (*stop == '\r' && at == end)
            m_afterCr = true;
        else if (*stop == '\r' && *at == '\n')
            ++at;
    }
}
