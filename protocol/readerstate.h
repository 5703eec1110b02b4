// Everything the main window keeps between one handler and the next: the receive buffer and the
// pending-operation state that tells the dispatcher which answer is awaited.
//
// A flag counts as set when it holds 1. Starting an operation (protocol/operations.h) clears the
// flags of the operations it replaces and sets its own; the dispatcher clears it when the
// operation ends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct CReaderState {
    // Receive buffer. Answers are always read from index 0; bytes past m_rxCount are zero after
    // every clear, so a test of a byte that has not arrived yet sees 0.
    static constexpr std::size_t kRxBufSize = 1800;
    // An event that leaves more than this many bytes in the buffer ends with the buffer emptied.
    static constexpr std::uint32_t kRxClearAbove = 1700;

    std::array<std::uint8_t, kRxBufSize> m_rxBuf{};
    std::uint32_t m_rxCount = 0;
    std::uint32_t m_multiRxTotal = 0; // bytes received since the multi-tag stream started

    // Zeroes all of m_rxBuf and sets m_rxCount to 0.
    void ClearRx();
    // Stores bytes at m_rxCount onward, counting each in m_rxCount and m_multiRxTotal, but never
    // past the end of m_rxBuf. Returns how many bytes were stored; the caller decides what happens
    // to the rest.
    std::size_t AppendRx(const std::uint8_t* bytes, std::size_t count);

    // Connection.
    int m_waitHandshake = 0;
    int m_waitVersion = 0;
    int m_connected = 0;
    int m_sheetReady = 0;

    // Tag identification.
    int m_waitIdentify = 0;
    int m_waitSingleModeAck = 0;
    int m_waitMultiIdentify = 0;
    int m_multiStep = 0;
    std::uint32_t m_multiShown = 0;
    // 1 from the 0x65 acknowledgement that starts the record stream until the 100-record stop or
    // the next start chain; only then are received bytes taken as 17-byte records.
    int m_multiStreaming = 0;
    // 1 while the operator wants the stream to run until Pause: no stop at the record limit, the
    // numbering goes on.
    int m_multiContinuous = 0;

    // Tag operations.
    int m_waitReadTag = 0;
    int m_waitWriteTag = 0;
    int m_waitInitTag = 0;
    int m_waitLockTag = 0;
    int m_waitDestroyTag = 0;
    int m_retryCount = 0;

    // Work-mode Set and Get sequences, with the mode and output recorded for the Set.
    int m_waitSetMode = 0;
    int m_setModeStep = 0;
    int m_modeMasterSlave = 1;
    int m_modeTimer = 0;
    int m_modeTrigger = 0;
    int m_outRs232 = 1;
    int m_outRs485 = 0;
    int m_outWiegand = 0;
    int m_waitGetMode = 0;
    int m_getModeStep = 0;

    // Reader-parameters Set and Get sequences.
    int m_waitSetParams = 0;
    int m_setParamStep = 1;
    int m_waitGetParams = 0;
    int m_getParamStep = 0;

    // Login, authorization and fast tag-ID write.
    int m_waitLogin = 0;
    int m_waitModifyLoginPwd = 0;
    int m_waitModifyAuthPwd = 0;
    int m_waitAuthorize = 0;
    int m_waitFastWriteId = 0;
    int m_loggedIn = 0;
    std::array<std::uint8_t, 4> m_loginPwd{};
    std::array<std::uint8_t, 4> m_oldLoginPwd{};
    std::array<std::uint8_t, 4> m_newLoginPwd{};
    std::array<std::uint8_t, 2> m_oldAuthPwd{};
    std::array<std::uint8_t, 2> m_newAuthPwd{};
    std::uint8_t m_tagIdLen = 2;
    std::array<std::uint8_t, 12> m_tagId{};
};
