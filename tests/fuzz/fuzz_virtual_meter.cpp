// The virtual meter's command stream.
//
// Input: the number of stored records (the first byte, modulo 151), whether the meter is
// silent (the second byte's lowest bit), a chunking seed, then steps. A step byte with its
// high bit set is a well-formed command: the code is picked by its low bits from the codes
// the program sends, 26 payload bytes follow, and the check bytes are computed. Any other
// step byte is a run of that many raw bytes (line noise, broken frames).
//
// Invariants: the same stream in one piece and in chunks gives the same answers and the
// same meter state; every answer is a 31-byte frame with the meter's header, right check
// bytes and the code of a command it answers; nothing adds records, and a silent meter
// never answers the handshake.
#include "FuzzTargets.h"
#include "sim/VirtualMeter.h"

#include <cstring>

namespace {

constexpr quint8 kCodes[] = {0x00, 0x01, 0x02, 0x03, 0xBB, 0x05, 0x06, 0x07, 0xCC, 0x08, 0x09};

QByteArray Command(quint8 code, const QByteArray& payload)
{
    QByteArray f(VirtualMeter::kFrameSize, '\0');
    f[0] = char(0xAA);
    f[1] = char(0x0F);
    f[2] = char(code);
    for (int i = 0; i < payload.size() && i < 26; ++i)
        f[3 + i] = payload[i];
    quint8 a = 0, b = 0;
    for (int i = 1; i <= 14; ++i)
        a ^= quint8(f[i]);
    for (int i = 15; i <= 28; ++i)
        b ^= quint8(f[i]);
    f[29] = char(a);
    f[30] = char(b);
    return f;
}

bool IsValidAnswer(const QByteArray& f)
{
    if (f.size() != VirtualMeter::kFrameSize || quint8(f[0]) != 0x55 || quint8(f[1]) != 0xF0)
        return false;
    quint8 a = 0, b = 0;
    for (int i = 1; i <= 27; i += 2)
        a ^= quint8(f[i]);
    for (int i = 2; i <= 28; i += 2)
        b ^= quint8(f[i]);
    return quint8(f[29]) == a && quint8(f[30]) == b;
}

// Equal bit for bit: an upload or a calibration may store a NaN, which never equals itself.
template <typename T> bool SameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SameGroups(const VirtualMeter& a, const VirtualMeter& b)
{
    for (size_t g = 0; g < a.Groups().size(); ++g) {
        if (!SameBits(a.Groups()[g].limits, b.Groups()[g].limits) ||
            a.Groups()[g].name != b.Groups()[g].name)
            return false;
    }
    return true;
}

} // namespace

int FuzzVirtualMeter(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    MeterOptions options;
    options.records = input.Byte() % (VirtualMeter::kMaxRecords + 1);
    options.silent = input.Byte() & 1;
    const uint8_t seed = input.Byte();

    QByteArray stream;
    while (!input.AtEnd()) {
        const uint8_t step = input.Byte();
        if (step & 0x80)
            stream += Command(kCodes[(step & 0x7F) % std::size(kCodes)], input.Bytes(26));
        else
            stream += input.Bytes(step);
    }

    VirtualMeter whole(options);
    const QList<QByteArray> answers = whole.Receive(stream);
    VirtualMeter chunked(options);
    QList<QByteArray> inChunks;
    ChunkSizes sizes(seed);
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = qMin(sizes.Next(seed % 2 ? 7 : 50), stream.size() - at);
        inChunks += chunked.Receive(QByteArrayView(stream.constData() + at, n));
        at += n;
    }
    FUZZ_CHECK(inChunks == answers);
    FUZZ_CHECK(chunked.Records() == whole.Records());
    FUZZ_CHECK(SameGroups(chunked, whole));
    FUZZ_CHECK(SameBits(chunked.CalibrationOffsets(), whole.CalibrationOffsets()));
    FUZZ_CHECK(chunked.FrameLog() == whole.FrameLog());

    FUZZ_CHECK(whole.Records().size() <= options.records);
    for (const QByteArray& answer : answers) {
        FUZZ_CHECK(IsValidAnswer(answer));
        const quint8 code = quint8(answer[2]);
        FUZZ_CHECK(code != 0x05);
        FUZZ_CHECK(std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes));
        FUZZ_CHECK(!(options.silent && code == 0x00));
    }
    return 0;
}
