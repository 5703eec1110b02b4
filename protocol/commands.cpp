#include "protocol/commands.h"

#include "protocol/parammap.h"
#include "protocol/valuecodes.h"

namespace {

std::uint8_t High(std::uint16_t address) {
    return static_cast<std::uint8_t>(address >> 8);
}
std::uint8_t Low(std::uint16_t address) {
    return static_cast<std::uint8_t>(address & 0xFF);
}

} // namespace

Bytes BuildStop() {
    return BuildRequest(kCmdStop);
}
Bytes BuildHandshake() {
    return BuildRequest(kCmdHandshake);
}
Bytes BuildVersionQuery() {
    return BuildRequest(kCmdVersion);
}
Bytes BuildMultiStart() {
    return BuildRequest(kCmdMultiStart);
}

Bytes BuildParamWrite(std::uint16_t address, std::uint8_t value) {
    return BuildRequest(kCmdParamWrite, {High(address), Low(address), value});
}

Bytes BuildParamRead(std::uint16_t address) {
    return BuildRequest(kCmdParamRead, {High(address), Low(address)});
}

Bytes BuildParamWriteBlock(std::uint16_t address, ByteView bytes) {
    Bytes data{static_cast<std::uint8_t>(bytes.size()), High(address), Low(address)};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return BuildRequest(kCmdParamWriteBlock, data);
}

Bytes BuildParamReadBlock(std::uint16_t address, std::uint8_t count) {
    return BuildRequest(kCmdParamReadBlock, {count, High(address), Low(address)});
}

Bytes BuildSetBaud(std::uint8_t code) {
    return BuildRequest(kCmdSetBaud, {code});
}

Bytes BuildIdentifySingle() {
    return BuildRequest(kCmdIdentify, {kTagConstant});
}

Bytes BuildReadTag(std::uint8_t section, std::uint8_t address, std::uint8_t length) {
    return BuildRequest(kCmdReadTag, {kTagConstant, section, address, length});
}

Bytes BuildWriteTag(std::uint8_t section, std::uint8_t address, std::uint8_t d0, std::uint8_t d1) {
    return BuildRequest(kCmdWriteTag, {kTagConstant, 0x00, section, address, 0x01, d0, d1});
}

Bytes BuildInitTag() {
    return BuildRequest(kCmdInitTag, {kTagConstant});
}
Bytes BuildLockTag(std::uint8_t kind) {
    return BuildRequest(kCmdLockTag, {kTagConstant, kind});
}

Bytes BuildDestroyTag(const std::array<std::uint8_t, 4>& p) {
    return BuildRequest(kCmdDestroyTag, {kTagConstant, 0x00, p[0], p[1], p[2], p[3]});
}

Bytes BuildAuthorize() {
    return BuildRequest(kCmdAuthorize);
}

Bytes BuildAuthPassword(const std::array<std::uint8_t, 2>& p) {
    return BuildRequest(kCmdAuthPassword, {p[0], p[1]});
}

Bytes BuildFastWriteId(ByteView id) {
    Bytes data{static_cast<std::uint8_t>(id.size() / 2)};
    data.insert(data.end(), id.begin(), id.end());
    return BuildRequest(kCmdFastWriteId, data);
}

Bytes BuildReadTagMode(std::uint8_t mode) {
    return BuildParamWrite(kParamReadTagMode, mode);
}
Bytes BuildCommModeRs232() {
    return BuildParamWrite(kParamCommMode, Encode(CommMode::Rs232));
}
Bytes BuildReadWorkMode() {
    return BuildParamReadBlock(kParamWorkMode, 2);
}
Bytes BuildWorkMode(std::uint8_t mode) {
    return BuildParamWrite(kParamWorkMode, mode);
}
Bytes BuildTimerInterval(std::uint8_t v) {
    return BuildParamWrite(kParamTimerInterval, v);
}

Bytes BuildTriggerMode(std::uint8_t mode) {
    const std::uint8_t both[] = {mode, mode};
    return BuildParamWriteBlock(kParamTriggerMode, both);
}

Bytes BuildShutDownDelay(std::uint8_t v) {
    return BuildParamWrite(kParamShutDownDelay, v);
}
Bytes BuildIdBorderFlag(std::uint8_t flag) {
    return BuildParamWrite(kParamIdBorderFlag, flag);
}
Bytes BuildIdBorderInterval(std::uint8_t v) {
    return BuildParamWrite(kParamIdBorderInterval, v);
}
Bytes BuildReadTriggerMode() {
    return BuildParamReadBlock(kParamTriggerMode, 2);
}
Bytes BuildReadShutDownDelay() {
    return BuildParamRead(kParamShutDownDelay);
}
Bytes BuildReadIdBorder() {
    return BuildParamReadBlock(kParamIdBorderInterval, 2);
}

Bytes BuildWiegandSettings(std::uint8_t protocol, std::uint8_t width, std::uint8_t cycle) {
    const std::uint8_t values[] = {protocol, width, cycle};
    return BuildParamWriteBlock(kParamWiegandProtocol, values);
}

Bytes BuildUserCode(std::uint8_t code) {
    return BuildParamWrite(kParamUserCode, code);
}
Bytes BuildCommMode(std::uint8_t mode) {
    return BuildParamWrite(kParamCommMode, mode);
}
Bytes BuildReadWiegandSettings() {
    return BuildParamReadBlock(kParamWiegandProtocol, 3);
}
Bytes BuildReadUserCode() {
    return BuildParamRead(kParamUserCode);
}
Bytes BuildReadCommMode() {
    return BuildParamRead(kParamCommMode);
}
Bytes BuildPower(std::uint8_t power) {
    return BuildParamWrite(kParamPower, power);
}

Bytes BuildAntennas(std::uint8_t mode, std::uint8_t mask) {
    const std::uint8_t values[] = {mode, mask};
    return BuildParamWriteBlock(kParamAntennaMode, values);
}

Bytes BuildFixedChannel(std::uint8_t channel) {
    return BuildParamWrite(kParamFixedChannel, channel);
}

Bytes BuildChannelMask(const std::array<std::uint8_t, 7>& mask) {
    return BuildParamWriteBlock(kParamChannelMask, mask);
}

Bytes BuildReadPower() {
    return BuildParamRead(kParamPower);
}
Bytes BuildReadFixedChannel() {
    return BuildParamRead(kParamFixedChannel);
}
Bytes BuildReadChannelMask() {
    return BuildParamReadBlock(kParamChannelMask, 7);
}
Bytes BuildReadAntennas() {
    return BuildParamReadBlock(kParamAntennaMode, 2);
}
Bytes BuildReadReadTagMode() {
    return BuildParamRead(kParamReadTagMode);
}
Bytes BuildReadLoginPassword() {
    return BuildParamReadBlock(kParamLoginPassword, 4);
}

Bytes BuildWriteLoginPassword(const std::array<std::uint8_t, 4>& password) {
    return BuildParamWriteBlock(kParamLoginPassword, password);
}

Bytes BuildReadAuthPassword() {
    return BuildParamReadBlock(kParamAuthPassword, 2);
}
