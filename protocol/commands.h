// The reader's command set: one builder per request, each returning the complete frame
// (A0 length command data... checksum). Parameter addresses go out high byte first.
#pragma once

#include "protocol/frame.h"

#include <array>
#include <cstdint>

inline constexpr std::uint8_t kCmdStop = 0xFE;
inline constexpr std::uint8_t kCmdHandshake = 0x50;
inline constexpr std::uint8_t kCmdVersion = 0x6A;
inline constexpr std::uint8_t kCmdMultiStart = 0x65;
inline constexpr std::uint8_t kCmdParamWrite = 0x60;
inline constexpr std::uint8_t kCmdParamRead = 0x61;
inline constexpr std::uint8_t kCmdParamWriteBlock = 0x62;
inline constexpr std::uint8_t kCmdParamReadBlock = 0x63;
inline constexpr std::uint8_t kCmdSetBaud = 0x64;
inline constexpr std::uint8_t kCmdIdentify = 0x82;
inline constexpr std::uint8_t kCmdReadTag = 0x80;
inline constexpr std::uint8_t kCmdWriteTag = 0x81;
inline constexpr std::uint8_t kCmdInitTag = 0x99;
inline constexpr std::uint8_t kCmdLockTag = 0x87;
inline constexpr std::uint8_t kCmdDestroyTag = 0x86;
inline constexpr std::uint8_t kCmdAuthorize = 0x9A;
inline constexpr std::uint8_t kCmdAuthPassword = 0x9B;
inline constexpr std::uint8_t kCmdFastWriteId = 0x9C;

// The byte that follows the command in every tag command (0x80, 0x81, 0x82, 0x86, 0x87, 0x99).
inline constexpr std::uint8_t kTagConstant = 0x04;

// Connection and stream control.
Bytes BuildStop();         // A0 02 FE 60
Bytes BuildHandshake();    // A0 02 50 0E
Bytes BuildVersionQuery(); // A0 02 6A F4
Bytes BuildMultiStart();   // A0 02 65 F9

// The four generic parameter commands.
Bytes BuildParamWrite(std::uint16_t address, std::uint8_t value);     // A0 05 60 ah al v
Bytes BuildParamRead(std::uint16_t address);                          // A0 04 61 ah al
Bytes BuildParamWriteBlock(std::uint16_t address, ByteView bytes);    // A0 n+5 62 n ah al d...
Bytes BuildParamReadBlock(std::uint16_t address, std::uint8_t count); // A0 05 63 n ah al
Bytes BuildSetBaud(std::uint8_t code); // A0 03 64 code; 0 9600 .. 4 115200 bit/s

// Tag commands.
Bytes BuildIdentifySingle(); // A0 03 82 04
Bytes BuildReadTag(std::uint8_t section, std::uint8_t address, std::uint8_t length);
Bytes BuildWriteTag(std::uint8_t section, std::uint8_t address, std::uint8_t d0, std::uint8_t d1);
Bytes BuildInitTag(); // A0 03 99 04
Bytes BuildLockTag(std::uint8_t kind);
Bytes BuildDestroyTag(const std::array<std::uint8_t, 4>& password);
Bytes BuildAuthorize(); // A0 02 9A
Bytes BuildAuthPassword(const std::array<std::uint8_t, 2>& password);
// A0 (n+3) 9C n/2 id...: the word count goes in byte 3. The caller passes 2 to 12 bytes, even.
Bytes BuildFastWriteId(ByteView id);

// Named requests of the pages, each one parameter command.
Bytes BuildReadTagMode(std::uint8_t mode); // 0x87 := mode (0 single, 1 multiple)
Bytes BuildCommModeRs232();                // 0x72 := 3
Bytes BuildReadWorkMode();                 // 2 bytes from 0x70
Bytes BuildWorkMode(std::uint8_t mode);    // 0x70 := 1 master-slave, 2 timer, 3 trigger
Bytes BuildTimerInterval(std::uint8_t interval);
Bytes BuildTriggerMode(std::uint8_t mode); // 0x80, 0x81 := mode, mode
Bytes BuildShutDownDelay(std::uint8_t seconds);
Bytes BuildIdBorderFlag(std::uint8_t flag); // 1 on, 2 off
Bytes BuildIdBorderInterval(std::uint8_t seconds);
Bytes BuildReadTriggerMode();
Bytes BuildReadShutDownDelay();
Bytes BuildReadIdBorder();
Bytes BuildWiegandSettings(std::uint8_t protocol, std::uint8_t width, std::uint8_t cycle);
Bytes BuildUserCode(std::uint8_t code);
Bytes BuildCommMode(std::uint8_t mode); // 1 RS-485, 2 Wiegand, 3 RS-232
Bytes BuildReadWiegandSettings();
Bytes BuildReadUserCode();
Bytes BuildReadCommMode();
Bytes BuildPower(std::uint8_t power);
Bytes BuildAntennas(std::uint8_t mode, std::uint8_t mask); // 0x89, 0x8A := mode, mask
Bytes BuildFixedChannel(std::uint8_t channel);
Bytes BuildChannelMask(const std::array<std::uint8_t, 7>& mask);
Bytes BuildReadPower();
Bytes BuildReadFixedChannel();
Bytes BuildReadChannelMask();
Bytes BuildReadAntennas();
Bytes BuildReadReadTagMode();
Bytes BuildReadLoginPassword();
Bytes BuildWriteLoginPassword(const std::array<std::uint8_t, 4>& password);
Bytes BuildReadAuthPassword();
