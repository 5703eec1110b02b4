#include "protocol/readerstate.h"

#include <algorithm>

void CReaderState::ClearRx() {
    m_rxBuf.fill(0);
    m_rxCount = 0;
}

void CReaderState::ClearPendingMarks() {
    for (int* mark :
         {&m_waitHandshake,     &m_waitVersion,    &m_waitIdentify,    &m_waitSingleModeAck,
          &m_waitMultiIdentify, &m_waitReadTag,    &m_waitWriteTag,    &m_waitInitTag,
          &m_waitLockTag,       &m_waitDestroyTag, &m_waitSetMode,     &m_waitGetMode,
          &m_waitSetParams,     &m_waitGetParams,  &m_waitLogin,       &m_waitModifyLoginPwd,
          &m_waitModifyAuthPwd, &m_waitAuthorize,  &m_waitFastWriteId, &m_modeMasterSlave,
          &m_modeTimer,         &m_modeTrigger,    &m_outRs232,        &m_outRs485,
          &m_outWiegand})
        *mark = 0;
}

void CReaderState::ClearConnectAndTagMarks() {
    for (int* mark :
         {&m_waitHandshake, &m_waitVersion, &m_waitIdentify, &m_waitMultiIdentify, &m_waitReadTag,
          &m_waitWriteTag, &m_waitInitTag, &m_waitLockTag, &m_waitDestroyTag})
        *mark = 0;
}

std::size_t CReaderState::AppendRx(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t room = kRxBufSize - std::min<std::size_t>(m_rxCount, kRxBufSize);
    const std::size_t stored = std::min(room, count);
    std::copy_n(bytes, stored, m_rxBuf.begin() + m_rxCount);
    m_rxCount += static_cast<std::uint32_t>(stored);
    m_multiRxTotal += static_cast<std::uint32_t>(stored);
    return stored;
}
