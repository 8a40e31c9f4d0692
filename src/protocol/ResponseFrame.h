#pragma once

#include "protocol/MeterCodes.h"

#include <QByteArray>
#include <QByteArrayView>

// A recognised answer, meter to PC: 55 F0 code payload[26] checkA checkB, where check A is
// the XOR of the odd bytes 1..27 and check B the XOR of the even bytes 2..28.
// Accessors never read past the bytes held; a byte that is not there reads as 0.
class ResponseFrame
{
public:
    static constexpr quint8 kStart = 0x55;
    static constexpr quint8 kMarker = 0xF0;

    // True when the first 31 bytes carry the header and both check bytes match.
    static bool IsRecognised(QByteArrayView bytes);

    ResponseFrame() = default;
    explicit ResponseFrame(QByteArray bytes) : bytes_(std::move(bytes)) {}

    const QByteArray& Bytes() const { return bytes_; }
    // Decoding the payload needs bytes 3..28.
    bool HasPayload() const { return bytes_.size() > kPayloadLast; }

    quint8 Code() const { return Byte(2); }
    quint8 Group() const { return Byte(kGroupByte); }
    quint8 Byte(int offset) const;
    quint16 UInt16BE(int offset) const;
    float FloatLE(int offset) const;

private:
    QByteArray bytes_;
};
