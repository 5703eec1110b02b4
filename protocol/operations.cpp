#include "protocol/operations.h"

#include "protocol/commands.h"

#include <algorithm>

namespace {

using S = CReaderState;

struct Group {
    unsigned group;
    int S::*marks[6]; // the unused tail is nullptr
};

constexpr Group kGroups[] = {
    {kConnectMarks, {&S::m_waitHandshake, &S::m_waitVersion}},
    {kIdentifyMark, {&S::m_waitIdentify}},
    {kSingleModeAckMark, {&S::m_waitSingleModeAck}},
    {kMultiIdentifyMark, {&S::m_waitMultiIdentify}},
    {kTagOperationMarks,
     {&S::m_waitReadTag, &S::m_waitWriteTag, &S::m_waitInitTag, &S::m_waitLockTag,
      &S::m_waitDestroyTag}},
    {kWorkModeMarks, {&S::m_waitSetMode, &S::m_waitGetMode}},
    {kParameterMarks, {&S::m_waitSetParams, &S::m_waitGetParams}},
    {kAccessMarks,
     {&S::m_waitLogin, &S::m_waitModifyLoginPwd, &S::m_waitModifyAuthPwd, &S::m_waitAuthorize,
      &S::m_waitFastWriteId}},
    {kRecordedModeMarks,
     {&S::m_modeMasterSlave, &S::m_modeTimer, &S::m_modeTrigger, &S::m_outRs232, &S::m_outRs485,
      &S::m_outWiegand}},
};

// A tag operation replaces the connect exchange and every identify and tag operation still
// waiting, so that no stale mark can later resend an old request (a Destroy among them) in
// answer to unrelated bytes. The settings sequences replace each other too; the single identify
// and the radios only what would take their answer.
constexpr unsigned kConnectAndTag =
    kConnectMarks | kIdentifyMark | kMultiIdentifyMark | kTagOperationMarks;
constexpr unsigned kSettings = kConnectAndTag | kWorkModeMarks | kParameterMarks;

enum Start {
    Connect,
    IdentifySingle,
    SingleTagMode,
    MultipleTagsMode,
    MultiIdentify,
    MultiStream,
    TagOperation,
    SetWorkMode,
    GetWorkMode,
    SetParameters,
    GetParameters,
    Access,
};

// What each start drops before it sets its own mark.
constexpr unsigned kDrops[] = {
    /*Connect*/ 0,
    /*IdentifySingle*/ kSingleModeAckMark | kMultiIdentifyMark,
    /*SingleTagMode*/ kIdentifyMark,
    /*MultipleTagsMode*/ kIdentifyMark,
    /*MultiIdentify*/ 0,
    /*MultiStream*/ kIdentifyMark,
    /*TagOperation*/ kConnectAndTag,
    /*SetWorkMode*/ kSettings,
    /*GetWorkMode*/ kConnectAndTag | kWorkModeMarks, // a parameters sequence goes on
    /*SetParameters*/ kSettings,
    /*GetParameters*/ kSettings,
    /*Access*/ kAllMarks, // the recorded work mode and output too
};

void Begin(S& s, Start start, int S::*mark) {
    ClearMarks(s, kDrops[start]);
    if (mark)
        s.*mark = 1;
}

Bytes BeginTagOperation(S& s, bool newOperation, int S::*mark, Bytes request) {
    s.m_multiRxTotal = 0;
    Begin(s, TagOperation, mark);
    if (newOperation)
        s.m_retryCount = 0;
    return request;
}

Bytes BeginAccess(S& s, int S::*mark, Bytes request) {
    Begin(s, Access, mark);
    return request;
}

} // namespace

void ClearMarks(CReaderState& s, unsigned groups) {
    for (const Group& g : kGroups)
        if (groups & g.group)
            for (int S::*mark : g.marks)
                if (mark)
                    s.*mark = 0;
}

Bytes BeginConnect(CReaderState& s) {
    Begin(s, Connect, &S::m_waitHandshake);
    return BuildStop();
}

Bytes BeginIdentifySingle(CReaderState& s) {
    // The Single Tag radio's mode write is no longer awaited: its acknowledgement, should it
    // come late, is not to bring a stop that would empty the buffer of this answer.
    Begin(s, IdentifySingle, &S::m_waitIdentify);
    return BuildIdentifySingle();
}

Bytes BeginSingleTagMode(CReaderState& s) {
    // Choosing the mode identifies nothing: no identify may be left pending, or the mode write's
    // acknowledgement would be taken as a failed identify and start resends.
    Begin(s, SingleTagMode, &S::m_waitSingleModeAck);
    return BuildReadTagMode(0);
}

Bytes BeginMultipleTagsMode(CReaderState& s) {
    Begin(s, MultipleTagsMode, nullptr);
    return BuildReadTagMode(1);
}

Bytes BeginMultiIdentify(CReaderState& s, bool continuous) {
    Begin(s, MultiIdentify, &S::m_waitMultiIdentify);
    s.m_multiStep = 1;
    s.m_multiContinuous = continuous ? 1 : 0;
    // A stream left running by Pause is over: what comes next are the chain's answers.
    s.m_multiStreaming = 0;
    return BuildReadWorkMode();
}

Bytes BeginMultiStream(CReaderState& s) {
    Begin(s, MultiStream, &S::m_waitMultiIdentify);
    s.m_multiRxTotal = 0;
    return BuildMultiStart();
}

Bytes BeginReadTag(CReaderState& s, bool newOperation, TagSection section, std::uint8_t address,
                   std::uint8_t length) {
    return BeginTagOperation(s, newOperation, &S::m_waitReadTag,
                             BuildReadTag(Encode(section), address, length));
}

Bytes BeginWriteTag(CReaderState& s, bool newOperation, TagSection section, std::uint8_t address,
                    std::uint8_t d0, std::uint8_t d1) {
    return BeginTagOperation(s, newOperation, &S::m_waitWriteTag,
                             BuildWriteTag(Encode(section), address, d0, d1));
}

Bytes BeginInitTag(CReaderState& s, bool newOperation) {
    return BeginTagOperation(s, newOperation, &S::m_waitInitTag, BuildInitTag());
}

Bytes BeginLockTag(CReaderState& s, bool newOperation, LockKind kind) {
    return BeginTagOperation(s, newOperation, &S::m_waitLockTag, BuildLockTag(Encode(kind)));
}

Bytes BeginDestroyTag(CReaderState& s, bool newOperation,
                      const std::array<std::uint8_t, 4>& password) {
    return BeginTagOperation(s, newOperation, &S::m_waitDestroyTag, BuildDestroyTag(password));
}

Bytes BeginSetWorkMode(CReaderState& s, std::optional<WorkMode> workMode,
                       std::optional<CommMode> output) {
    if (workMode) {
        s.m_modeMasterSlave = *workMode == WorkMode::MasterSlave ? 1 : 0;
        s.m_modeTimer = *workMode == WorkMode::Timer ? 1 : 0;
        s.m_modeTrigger = *workMode == WorkMode::Trigger ? 1 : 0;
    }
    if (output) {
        s.m_outRs232 = *output == CommMode::Rs232 ? 1 : 0;
        s.m_outRs485 = *output == CommMode::Rs485 ? 1 : 0;
        s.m_outWiegand = *output == CommMode::Wiegand ? 1 : 0;
    }
    Begin(s, SetWorkMode, &S::m_waitSetMode);
    s.m_setModeStep = 1;
    s.ClearRx();
    return BuildWorkMode(Encode(workMode.value_or(WorkMode::MasterSlave)));
}

Bytes BeginGetWorkMode(CReaderState& s) {
    Begin(s, GetWorkMode, &S::m_waitGetMode);
    s.m_getModeStep = 1;
    return BuildReadWorkMode();
}

void BeginSetParameters(CReaderState& s) {
    Begin(s, SetParameters, &S::m_waitSetParams);
    s.m_setParamStep = 1;
}

Bytes BeginGetParameters(CReaderState& s) {
    Begin(s, GetParameters, &S::m_waitGetParams);
    s.m_getParamStep = 1;
    return BuildReadPower();
}

Bytes BeginLogin(CReaderState& s, const std::array<std::uint8_t, 4>& password) {
    s.m_loginPwd = password;
    return BeginAccess(s, &S::m_waitLogin, BuildReadLoginPassword());
}

Bytes BeginModifyLoginPassword(CReaderState& s, const std::array<std::uint8_t, 4>& oldPassword,
                               const std::array<std::uint8_t, 4>& newPassword) {
    s.m_oldLoginPwd = oldPassword;
    s.m_newLoginPwd = newPassword;
    return BeginAccess(s, &S::m_waitModifyLoginPwd, BuildReadLoginPassword());
}

Bytes BeginModifyAuthorizeCode(CReaderState& s, const std::array<std::uint8_t, 2>& oldCode,
                               const std::array<std::uint8_t, 2>& newCode) {
    s.m_oldAuthPwd = oldCode;
    s.m_newAuthPwd = newCode;
    return BeginAccess(s, &S::m_waitModifyAuthPwd, BuildReadAuthPassword());
}

Bytes BeginAuthorize(CReaderState& s) {
    return BeginAccess(s, &S::m_waitAuthorize, BuildAuthorize());
}

Bytes BeginFastWriteId(CReaderState& s, ByteView id) {
    id = id.first(std::min(id.size(), s.m_tagId.size()));
    s.m_tagIdLen = static_cast<std::uint8_t>(id.size());
    s.m_tagId.fill(0);
    std::copy(id.begin(), id.end(), s.m_tagId.end() - static_cast<long>(id.size()));
    return BeginAccess(s, &S::m_waitFastWriteId, BuildFastWriteId(id));
}
