// What a page needs from the window that hosts it, and nothing more: the pending-operation state
// by its names, the line (a request out, the port opened before and closed after an exchange),
// the operation list, a parent for the page's message boxes, and the rate chosen in the window's
// Baud Rate list. The main window implements it; a page never sees the window itself.
#pragma once

#include "protocol/frame.h"
#include "protocol/readerstate.h"

class QString;
class QWidget;

class IPageHost {
public:
    virtual ~IPageHost() = default;

    // The receive buffer and the pending marks and steps the dispatcher follows.
    virtual CReaderState& State() = 0;

    // Hands one request frame to the line and empties the receive buffer.
    virtual void SendRequest(ByteView frame) = 0;
    // The two port steps around every exchange.
    virtual void OpenPortIfClosed() = 0;
    virtual void ClosePortIfOpen() = 0;

    virtual void AddOperationLine(const QString& text) = 0;
    // The window a page's message box belongs to while the page has no controls of its own.
    virtual QWidget* MessageParent() = 0;
    // The rate in bit/s the window's Baud Rate list names, 0 when it names none.
    virtual int BaudListRate() const = 0;
};
