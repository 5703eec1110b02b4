#include "protocol/pendingoperation.h"

#include "protocol/commands.h"
#include "protocol/dispatcher.h"

namespace {

using S = CReaderState;

struct Entry {
    int S::*flag;
    bool anyNonZero; // as the dispatcher counts the mark
    const char* name;
    int S::*step; // the step counter, or nullptr
};

// In the dispatcher's order.
constexpr Entry kEntries[] = {
    {&S::m_waitHandshake, false, "Connect", nullptr},
    {&S::m_waitVersion, false, "Connect", nullptr},
    {&S::m_waitIdentify, false, "Identify Tag", nullptr},
    {&S::m_waitMultiIdentify, false, "Identify Multiple Tags", &S::m_multiStep},
    {&S::m_waitReadTag, false, "Read Tag", nullptr},
    {&S::m_waitWriteTag, false, "Write Tag", nullptr},
    {&S::m_waitInitTag, false, "Initialize", nullptr},
    {&S::m_waitLockTag, false, "Lock", nullptr},
    {&S::m_waitDestroyTag, false, "Destroy", nullptr},
    {&S::m_waitSetMode, false, "Set Work Mode Settings", &S::m_setModeStep},
    {&S::m_waitGetMode, false, "Get Work Mode Settings", &S::m_getModeStep},
    {&S::m_waitSetParams, false, "Set Reader Parameters", &S::m_setParamStep},
    {&S::m_waitGetParams, false, "Get Reader Parameters", &S::m_getParamStep},
    {&S::m_waitLogin, true, "Login", nullptr},
    {&S::m_waitModifyLoginPwd, true, "Modify Login Password", nullptr},
    {&S::m_waitModifyAuthPwd, true, "Modify Authorize Code", nullptr},
    {&S::m_waitAuthorize, true, "Authorize", nullptr},
    {&S::m_waitFastWriteId, true, "Fast Write Tag ID", nullptr},
};

} // namespace

std::optional<PendingOperation> WaitingOperation(const CReaderState& s, std::uint8_t lastCommand) {
    for (const Entry& e : kEntries) {
        const int mark = s.*e.flag;
        if (e.anyNonZero ? mark == 0 : mark != 1)
            continue;
        PendingOperation op{e.name, 0, 0, false, e.flag};
        if (e.flag == &S::m_waitHandshake || e.flag == &S::m_waitVersion) {
            // Stop request, handshake, version query.
            op.timesOut = true;
            op.steps = 3;
            op.step = e.flag == &S::m_waitVersion ? 3 : lastCommand == kCmdHandshake ? 2 : 1;
        } else if (e.flag == &S::m_waitMultiIdentify) {
            if (IsStreaming(s) || lastCommand == kCmdStop)
                return std::nullopt;
            op.step = s.m_multiStep;
            op.steps = 3;
        } else if (e.flag == &S::m_waitModifyLoginPwd || e.flag == &S::m_waitModifyAuthPwd) {
            // The stored password is read first, the new one written second.
            op.steps = 2;
            op.step = lastCommand == kCmdParamReadBlock ? 1 : 2;
        } else if (e.step) {
            op.step = s.*e.step;
            op.steps = SequenceSteps(s, e.flag);
        }
        return op;
    }
    return std::nullopt;
}

void CancelOperation(CReaderState& s, const PendingOperation& op) {
    if (!op.flag)
        return;
    s.*op.flag = 0;
    s.m_retryCount = 0;
    if (op.flag == &S::m_waitIdentify) {
        s.m_waitSingleModeAck = 0;
    } else if (op.flag == &S::m_waitMultiIdentify) {
        s.m_multiStep = 0;
        s.m_multiStreaming = 0;
    } else if (op.flag == &S::m_waitSetMode) {
        s.m_setModeStep = 0;
        s.m_modeMasterSlave = s.m_modeTimer = s.m_modeTrigger = 0;
        s.m_outRs232 = s.m_outRs485 = s.m_outWiegand = 0;
    } else if (op.flag == &S::m_waitGetMode) {
        s.m_getModeStep = 0;
    } else if (op.flag == &S::m_waitSetParams) {
        s.m_setParamStep = 0;
    } else if (op.flag == &S::m_waitGetParams) {
        s.m_getParamStep = 0;
    }
}
