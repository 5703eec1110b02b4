// What the dispatcher needs from the window that owns it: the line, the port, the operation list,
// message boxes, the connect timer and the page operations that continue a chain.
#pragma once

#include "protocol/frame.h"

#include <string>

class IReaderHost {
public:
    virtual ~IReaderHost() = default;

    // Hands one request frame to the serial control's Output.
    virtual void WriteToLine(ByteView frame) = 0;
    virtual void ClosePortIfOpen() = 0;
    virtual void AddOperationLine(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;

    // Connect: the 3000 ms timer and the end of the handshake.
    virtual void KillConnectTimer() = 0;
    virtual void StartConnectTimer() = 0;
    virtual void OnHandshakeDone() = 0;
};
