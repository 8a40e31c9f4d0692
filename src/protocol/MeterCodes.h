#pragma once

#include <QtGlobal>

// Frame layout shared by both directions: 31 bytes, byte 2 the code, 3..28 the payload,
// 29 and 30 the check bytes.
inline constexpr int kFrameSize = 31;
inline constexpr int kPayloadFirst = 3;
inline constexpr int kPayloadLast = 28;
inline constexpr int kGroupByte = 28;

// Command codes the program sends; the meter answers with the same code.
namespace MeterCode {
inline constexpr quint8 Handshake = 0x00;
inline constexpr quint8 RequestRecord = 0x01;
inline constexpr quint8 ThresholdPart1 = 0x02;
inline constexpr quint8 ThresholdPart2 = 0x03;
inline constexpr quint8 ThresholdPart3 = 0xBB;
inline constexpr quint8 Calibrate = 0x05;
inline constexpr quint8 UploadPart1 = 0x06;
inline constexpr quint8 UploadPart2 = 0x07;
inline constexpr quint8 UploadPart3 = 0xCC;
inline constexpr quint8 DeleteCurrent = 0x08;
inline constexpr quint8 DeleteAll = 0x09;
} // namespace MeterCode

// Channel selectors of the calibration command (byte 15).
namespace CalibrationSelector {
inline constexpr quint8 Ont1310 = 1;
inline constexpr quint8 Olt1490 = 2;
inline constexpr quint8 Olt1577 = 3;
inline constexpr quint8 Factory = 4;
inline constexpr quint8 Ont1270 = 8;
} // namespace CalibrationSelector
