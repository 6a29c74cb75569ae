// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/LineSplitter.h"

#include <cstring>

void LineSplitter::keep(QByteArrayView piece)
{
    if (m_overlong || piece.isEmpty())
        return;
    if (m_length + piece.size() > kMaxLength) {
        m_overlong = true;
        m_length = 0;
        return;
    }
    std::memcpy(m_line.data() + m_length, piece.data(), size_t(piece.size()));
    m_length += piece.size();
}
