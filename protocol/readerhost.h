// What the dispatcher needs from the window that owns it: the line, the port, the operation list,
// message boxes, the connect timer, and the page operations that resend a failed request,
// continue a chain or show a result. The window forwards the page operations to its pages; each
// behaves as the page's own handler or request of the same name, sends through SendRequest and
// sets the pending state it owns.
#pragma once

#include "protocol/frame.h"

#include <array>
#include <cstdint>
#include <string>

// Requests of the work-mode page that its Set and Get sequences are made of.
enum class WorkmodeRequest {
    SendWorkMode,
    SendTimerInterval,
    SendTriggerMode,
    SendShutDownDelay,
    SendIdBorderFlag,
    SendIdBorderInterval,
    SendBaudRs232,
    SendBaudRs485,
    SendWiegandSettings,
    SendUserCode,
    SendCommMode,
    ReadWorkMode,
    ReadTriggerMode,
    ReadShutDownDelay,
    ReadWiegandSettings,
    ReadUserCode,
    ReadCommMode,
    ReadIdBorder,
};

// Requests of the reader-parameters page that its Set and Get sequences are made of.
enum class ParameterRequest {
    SendPower,
    SendAntennas,
    SendFixedChannel,
    SendChannelMask,
    SendReadTagMode,
    ReadPower,
    ReadFixedChannel,
    ReadChannelMask,
    ReadAntennas,
    ReadReadTagMode,
};

using ReadBack = std::array<std::uint8_t, 12>;

class IReaderHost {
public:
    virtual ~IReaderHost() = default;

    // Hands one request frame to the serial control's Output.
    virtual void WriteToLine(ByteView frame) = 0;
    virtual void ClosePortIfOpen() = 0;
    virtual void AddOperationLine(const std::string& text) = 0;
    // A modal message box. The dispatcher calls it last in a branch, after its state is settled,
    // since a receive event may be handled while the box is open.
    virtual void ShowMessage(const std::string& text) = 0;

    // Connect: the 3000 ms timer and the end of the handshake.
    virtual void KillConnectTimer() = 0;
    virtual void StartConnectTimer() = 0;
    virtual void OnHandshakeDone() = 0;

    // Tag Identify page.
    virtual void OnIdentifyTag() = 0;     // resend of a failed single identify
    virtual void SendStop() = 0;          // A0 02 FE 60
    virtual void SendCommModeRs232() = 0; // multi-tag start, step 2
    // Multi-tag start, step 3: sends A0 02 65 F9, sets m_multiRxTotal and m_waitIdentify to 0 and
    // m_waitMultiIdentify to 1, disables Identify Tag, enables Pause and empties the Data box.
    virtual void SendMultiStart() = 0;
    // Appends one line to the Data box, refreshes it and scrolls to the last line.
    virtual void AppendTagLine(const std::string& line) = 0;
    // The stream was stopped at its limit: Pause disabled, Identify Tag enabled.
    virtual void MultiStreamStopped() = 0;

    // Tag Operation page: the handlers that resend, and the results shown on the page.
    virtual void OnReadTag() = 0;
    virtual void OnWriteTag() = 0;
    virtual void OnInitialize() = 0;
    virtual void OnLock() = 0;
    virtual void OnDestroy() = 0;
    virtual void AppendReadData(const std::string& text) = 0;
    // Login off; Authorize, Modify Login Password and Modify Authorize Code on.
    virtual void LoginSucceeded() = 0;
    // Shows the next fast-write ID in its box.
    virtual void ShowFastWriteId(const std::string& text) = 0;

    // Work Mode page.
    virtual void SendWorkmodeRequest(WorkmodeRequest request) = 0;
    virtual ReadBack& WorkmodeReadBack() = 0;
    virtual void WorkmodeShowReadBack() = 0;

    // Reader Parameters page.
    virtual void SendParameterRequest(ParameterRequest request) = 0;
    virtual ReadBack& ParameterReadBack() = 0;
    virtual void ParameterShowReadBack() = 0;
};
