#pragma once

#include "protocol/MeterCodes.h"

#include <QByteArray>
#include <array>

// The one 31-byte command buffer, PC to meter: AA 0F code payload[26] checkA checkB.
// Builders that clear first (ClearFrame) leave unused payload bytes 0; the calibration
// and upload senders write only their own bytes, so every other byte keeps the value of
// the previously sent frame. Callers serialise access (the link's lock).
class CommandFrame
{
public:
    static constexpr quint8 kStart = 0xAA;
    static constexpr quint8 kMarker = 0x0F;

    void ClearFrame() { bytes_.fill(0); }

    // Byte 1 = marker, byte 2 = code; the payload is left as it stands.
    void SetCode(quint8 code);

    void RequestRecord(quint16 index);
    void RequestThresholdPart1(quint8 group) { RequestThreshold(MeterCode::ThresholdPart1, group); }
    void RequestThresholdPart2(quint8 group) { RequestThreshold(MeterCode::ThresholdPart2, group); }
    void RequestThresholdPart3(quint8 group) { RequestThreshold(MeterCode::ThresholdPart3, group); }
    void DeleteCurrentRecord(quint16 storedRecordCount);

    // Writes a 16-bit value big-endian (high byte first).
    void PutUInt16BE(int offset, quint16 value);
    // Writes an IEEE 754 single, least significant byte first.
    void PutFloatLE(int offset, float value);

    // What SendFrame does just before the bytes go out: byte 29 = XOR of bytes 1..14,
    // byte 30 = XOR of bytes 15..28, then byte 0 = start byte.
    void Complete();

    quint8& operator[](int i) { return bytes_[static_cast<size_t>(i)]; }
    quint8 operator[](int i) const { return bytes_[static_cast<size_t>(i)]; }
    QByteArray ToByteArray() const;

private:
    void RequestThreshold(quint8 code, quint8 group);

    std::array<quint8, kFrameSize> bytes_{};
};
