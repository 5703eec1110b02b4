#include "protocol/readerstate.h"

#include <algorithm>

void CReaderState::ClearRx() {
    m_rxBuf.fill(0);
    m_rxCount = 0;
}

std::size_t CReaderState::AppendRx(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t room = kRxBufSize - std::min<std::size_t>(m_rxCount, kRxBufSize);
    const std::size_t stored = std::min(room, count);
    std::copy_n(bytes, stored, m_rxBuf.begin() + m_rxCount);
    m_rxCount += static_cast<std::uint32_t>(stored);
    m_multiRxTotal += static_cast<std::uint32_t>(stored);
    return stored;
}
