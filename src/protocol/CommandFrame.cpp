#include "protocol/CommandFrame.h"

#include <cstring>

void CommandFrame::SetCode(quint8 code)
{
    bytes_[1] = kMarker;
    bytes_[2] = code;
}

void CommandFrame::RequestRecord(quint16 index)
{
    ClearFrame();
    SetCode(MeterCode::RequestRecord);
    PutUInt16BE(3, index);
}

void CommandFrame::RequestThreshold(quint8 code, quint8 group)
{
    ClearFrame();
    SetCode(code);
    bytes_[3] = group;
}

void CommandFrame::DeleteCurrentRecord(quint16 storedRecordCount)
{
    ClearFrame();
    SetCode(MeterCode::DeleteCurrent);
    PutUInt16BE(3, storedRecordCount);
}

void CommandFrame::PutUInt16BE(int offset, quint16 value)
{
    bytes_[offset] = static_cast<quint8>(value >> 8);
    bytes_[offset + 1] = static_cast<quint8>(value & 0xFF);
}

void CommandFrame::PutFloatLE(int offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        bytes_[offset + i] = static_cast<quint8>(bits >> (8 * i));
}

void CommandFrame::Complete()
{
    bytes_[29] = bytes_[1];
    for (int i = 2; i <= 14; ++i)
        bytes_[29] ^= bytes_[i];
    bytes_[30] = bytes_[15];
    for (int i = 16; i <= 28; ++i)
        bytes_[30] ^= bytes_[i];
    bytes_[0] = kStart;
}

QByteArray CommandFrame::ToByteArray() const
{
    return QByteArray(reinterpret_cast<const char*>(bytes_.data()), kFrameSize);
}
