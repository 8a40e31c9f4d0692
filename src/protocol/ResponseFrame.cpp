#include "protocol/ResponseFrame.h"

#include <cstring>

bool ResponseFrame::IsRecognised(QByteArrayView bytes)
{
    if (bytes.size() < kFrameSize)
        return false;
    const auto* b = reinterpret_cast<const quint8*>(bytes.data());
    if (b[0] != kStart || b[1] != kMarker)
        return false;
    quint8 a = 0;
    for (int i = 1; i <= 27; i += 2)
        a ^= b[i];
    quint8 c = 0;
    for (int i = 2; i <= 28; i += 2)
        c ^= b[i];
    return a == b[29] && c == b[30];
}

quint8 ResponseFrame::Byte(int offset) const
{
    if (offset < 0 || offset >= bytes_.size())
        return 0;
    return static_cast<quint8>(bytes_[offset]);
}

quint16 ResponseFrame::UInt16BE(int offset) const
{
    return static_cast<quint16>(Byte(offset) << 8 | Byte(offset + 1));
}

float ResponseFrame::FloatLE(int offset) const
{
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = bits << 8 | Byte(offset + i);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
