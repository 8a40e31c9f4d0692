#include "sim/VirtualMeter.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Command codes; each answer repeats the code of its command.
namespace Code {
constexpr quint8 Handshake = 0x00;
constexpr quint8 RequestRecord = 0x01;
constexpr quint8 ThresholdPart1 = 0x02;
constexpr quint8 ThresholdPart2 = 0x03;
constexpr quint8 ThresholdPart3 = 0xBB;
constexpr quint8 Calibrate = 0x05;
constexpr quint8 UploadPart1 = 0x06;
constexpr quint8 UploadPart2 = 0x07;
constexpr quint8 UploadPart3 = 0xCC;
constexpr quint8 DeleteCurrent = 0x08;
constexpr quint8 DeleteAll = 0x09;
} // namespace Code

constexpr quint8 kCommandStart = 0xAA;
constexpr quint8 kCommandMarker = 0x0F;
constexpr quint8 kAnswerStart = 0x55;
constexpr quint8 kAnswerMarker = 0xF0;
constexpr int kGroupByte = 28;
constexpr int kNameOffset = 15;
constexpr int kNameSize = 10;
constexpr int kCalibrationSelector = 15;

// The lowest powers the program shows as numbers; records at or below them read "LOW".
constexpr float kOntFloor = -39.0f;
constexpr float kOltFloor = -46.0f;
// What a channel reads with no light on it.
constexpr float kNoLight = -50.0f;

quint8 At(QByteArrayView bytes, int offset)
{
    return static_cast<quint8>(bytes[offset]);
}

quint16 UInt16BE(QByteArrayView bytes, int offset)
{
    return static_cast<quint16>(At(bytes, offset) << 8 | At(bytes, offset + 1));
}

float FloatLE(QByteArrayView bytes, int offset)
{
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = bits << 8 | At(bytes, offset + i);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void PutUInt16BE(QByteArray& frame, int offset, quint16 value)
{
    frame[offset] = static_cast<char>(value >> 8);
    frame[offset + 1] = static_cast<char>(value & 0xFF);
}

void PutFloatLE(QByteArray& frame, int offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        frame[offset + i] = static_cast<char>(bits >> (8 * i));
}

// The command's check bytes: byte 29 is the XOR of bytes 1..14, byte 30 of bytes 15..28.
bool CommandChecksOk(QByteArrayView frame)
{
    quint8 a = 0;
    for (int i = 1; i <= 14; ++i)
        a ^= At(frame, i);
    quint8 b = 0;
    for (int i = 15; i <= 28; ++i)
        b ^= At(frame, i);
    return a == At(frame, 29) && b == At(frame, 30);
}

// An empty answer with the given code; Seal() adds the check bytes once the payload is in.
QByteArray NewAnswer(quint8 code)
{
    QByteArray frame(VirtualMeter::kFrameSize, '\0');
    frame[0] = static_cast<char>(kAnswerStart);
    frame[1] = static_cast<char>(kAnswerMarker);
    frame[2] = static_cast<char>(code);
    return frame;
}

// The answer's check bytes interleave: byte 29 is the XOR of the odd bytes 1..27,
// byte 30 of the even bytes 2..28.
QByteArray Seal(QByteArray frame)
{
    quint8 odd = 0;
    for (int i = 1; i <= 27; i += 2)
        odd ^= static_cast<quint8>(frame[i]);
    quint8 even = 0;
    for (int i = 2; i <= 28; i += 2)
        even ^= static_cast<quint8>(frame[i]);
    frame[29] = static_cast<char>(odd);
    frame[30] = static_cast<char>(even);
    return frame;
}

bool IsGroup(quint8 group)
{
    return group >= 1 && group <= 3;
}

// A power in hundredths of a dBm between low and high; one channel reading in ten shows
// no light and one sits exactly on the floor, so both "LOW" cases occur.
float Power(QRandomGenerator& rng, int low, int high, float floor)
{
    switch (rng.bounded(10)) {
    case 0:
        return kNoLight;
    case 1:
        return floor;
    default:
        return static_cast<float>(rng.bounded(low * 100, high * 100 + 1)) / 100.0f;
    }
}

MeterThresholdGroup MakeGroup(std::array<float, 12> limits, const char* name)
{
    MeterThresholdGroup group;
    group.limits = limits;
    group.name = QByteArray(name).leftJustified(kNameSize, '\0');
    return group;
}

} // namespace

VirtualMeter::VirtualMeter(const MeterOptions& options)
    : silent_(options.silent),
      records_(GenerateRecords(std::clamp(options.records, 0, kMaxRecords), options.seed)),
      groups_(FactoryGroups())
{
}

QList<QByteArray> VirtualMeter::Receive(QByteArrayView bytes)
{
    Append(bytes);
    QList<QByteArray> answers;
    while (const auto frame = NextFrame()) {
        if (!frame->checksOk)
            continue;
        if (auto answer = Answer(frame->bytes))
            answers.append(std::move(*answer));
    }
    return answers;
}

void VirtualMeter::Append(QByteArrayView bytes)
{
    pending_.append(bytes);
}

std::optional<ReceivedFrame> VirtualMeter::NextFrame()
{
    // Skip to the next AA 0F (or an AA standing last, its marker still to come).
    qsizetype start = 0;
    while (start < pending_.size()) {
        if (static_cast<quint8>(pending_[start]) == kCommandStart &&
            (start + 1 == pending_.size() ||
             static_cast<quint8>(pending_[start + 1]) == kCommandMarker))
            break;
        ++start;
    }
    pending_.remove(0, start);
    if (pending_.size() < kFrameSize)
        return std::nullopt;

    ReceivedFrame frame{pending_.first(kFrameSize), false};
    frame.checksOk = CommandChecksOk(frame.bytes);
    // A bad candidate may hide the start of a good frame inside it: search on from its
    // second byte.
    pending_.remove(0, frame.checksOk ? kFrameSize : 1);

    if (received_.size() == kLogLimit)
        received_.removeFirst();
    received_.append(frame);
    return frame;
}

std::optional<QByteArray> VirtualMeter::Answer(QByteArrayView command)
{
    if (command.size() < kFrameSize)
        return std::nullopt;
    const quint8 code = At(command, 2);
    switch (code) {
    case Code::Handshake:
        if (silent_)
            return std::nullopt;
        return Seal(NewAnswer(Code::Handshake));
    case Code::RequestRecord: {
        const quint16 index = UInt16BE(command, 3);
        if (!records_.isEmpty() && index >= records_.size())
            return std::nullopt;
        return RecordAnswer(index);
    }
    case Code::ThresholdPart1:
    case Code::ThresholdPart2:
    case Code::ThresholdPart3:
        return ThresholdAnswer(code, At(command, 3));
    case Code::UploadPart1:
    case Code::UploadPart2:
    case Code::UploadPart3:
        return StoreUpload(command);
    case Code::Calibrate:
        Calibrate(command);
        return std::nullopt;
    case Code::DeleteCurrent:
        // The command carries the PC's count; the meter removes its own last record.
        if (!records_.isEmpty())
            records_.removeLast();
        return Seal(NewAnswer(Code::DeleteCurrent));
    case Code::DeleteAll:
        records_.clear();
        return Seal(NewAnswer(Code::DeleteAll));
    default:
        return std::nullopt;
    }
}

void VirtualMeter::SetRecords(QList<MeterRecord> records)
{
    records_ = std::move(records);
}

QStringList VirtualMeter::FrameLog() const
{
    QStringList lines;
    lines.reserve(received_.size());
    for (const ReceivedFrame& frame : received_)
        lines.append(LogLine(frame));
    return lines;
}

QString VirtualMeter::LogLine(const ReceivedFrame& frame)
{
    QString line = QString::fromLatin1(frame.bytes.toHex(' ').toUpper());
    if (!frame.checksOk)
        line += QLatin1String(" (bad check)");
    return line;
}

QList<MeterRecord> VirtualMeter::GenerateRecords(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    // Measurements follow each other in time, ten minutes to five days apart; starting no
    // later than 2023 keeps even 150 of them inside 2026.
    QDateTime when(QDate(2020 + rng.bounded(4), 1 + rng.bounded(12), 1 + rng.bounded(28)),
                   QTime(rng.bounded(24), rng.bounded(60)), QTimeZone::utc());
    QList<MeterRecord> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        MeterRecord r;
        r.ont1310 = Power(rng, -35, -5, kOntFloor);
        r.olt1490 = Power(rng, -45, -5, kOltFloor);
        r.olt1577 = Power(rng, -45, -5, kOltFloor);
        r.ont1270 = Power(rng, -35, -5, kOntFloor);
        r.group = static_cast<quint8>(1 + rng.bounded(3));
        r.year = static_cast<quint8>(when.date().year() - 2000);
        r.month = static_cast<quint8>(when.date().month());
        r.day = static_cast<quint8>(when.date().day());
        r.hour = static_cast<quint8>(when.time().hour());
        r.minute = static_cast<quint8>(when.time().minute());
        records.append(r);
        when = when.addSecs(60 * rng.bounded(10, 5 * 24 * 60));
    }
    return records;
}

std::array<MeterThresholdGroup, 3> VirtualMeter::FactoryGroups()
{
    // Receiver classes of the PON flavours the meter is sold for: overload, pass and
    // fail levels per wavelength.
    return {
        MakeGroup({-8, -27, -28, -8, -27, -28, -9, -28, -29, -9, -28, -29}, "GPON-B+"),
        MakeGroup({-5, -30, -32, -8, -30, -32, -7, -29, -31, -5, -29, -31}, "GPON-C+"),
        MakeGroup({-3, -25, -27, -6, -26, -28, -7, -28, -30, -2, -26, -28}, "XGS-N1"),
    };
}

QByteArray VirtualMeter::RecordAnswer(quint16 index) const
{
    QByteArray frame = NewAnswer(Code::RequestRecord);
    PutUInt16BE(frame, 21, index);
    PutUInt16BE(frame, 23, static_cast<quint16>(records_.size()));
    if (index < records_.size()) {
        const MeterRecord& r = records_[index];
        PutFloatLE(frame, 3, r.ont1310 + offsets_[Ont1310]);
        PutFloatLE(frame, 7, r.olt1490 + offsets_[Olt1490]);
        PutFloatLE(frame, 11, r.olt1577 + offsets_[Olt1577]);
        frame[15] = static_cast<char>(r.group);
        frame[16] = static_cast<char>(r.year);
        frame[17] = static_cast<char>(r.month);
        frame[18] = static_cast<char>(r.day);
        frame[19] = static_cast<char>(r.hour);
        frame[20] = static_cast<char>(r.minute);
        PutFloatLE(frame, 25, r.ont1270 + offsets_[Ont1270]);
    }
    return Seal(frame);
}

std::optional<QByteArray> VirtualMeter::ThresholdAnswer(quint8 code, quint8 group) const
{
    if (!IsGroup(group))
        return std::nullopt;
    const MeterThresholdGroup& g = groups_[group - 1];
    QByteArray frame = NewAnswer(code);
    // Part 1 carries limits 0..5 (1310 and 1490 nm), part 2 limits 6..8 (1577 nm) and
    // part 3 limits 9..11 (1270 nm), the last two followed by the name.
    const int first = code == Code::ThresholdPart1 ? 0 : code == Code::ThresholdPart2 ? 6 : 9;
    const int count = code == Code::ThresholdPart1 ? 6 : 3;
    for (int i = 0; i < count; ++i)
        PutFloatLE(frame, 3 + 4 * i, g.limits[first + i]);
    if (code != Code::ThresholdPart1)
        frame.replace(kNameOffset, kNameSize, g.name);
    frame[kGroupByte] = static_cast<char>(group);
    return Seal(frame);
}

std::optional<QByteArray> VirtualMeter::StoreUpload(QByteArrayView command)
{
    const quint8 code = At(command, 2);
    const quint8 group = At(command, kGroupByte);
    if (!IsGroup(group))
        return std::nullopt;
    MeterThresholdGroup& g = groups_[group - 1];
    const int first = code == Code::UploadPart1 ? 0 : code == Code::UploadPart2 ? 6 : 9;
    const int count = code == Code::UploadPart1 ? 6 : 3;
    for (int i = 0; i < count; ++i)
        g.limits[first + i] = FloatLE(command, 3 + 4 * i);
    if (code != Code::UploadPart1)
        g.name = command.sliced(kNameOffset, kNameSize).toByteArray();

    QByteArray frame = NewAnswer(code);
    frame[kGroupByte] = static_cast<char>(group);
    return Seal(frame);
}

void VirtualMeter::Calibrate(QByteArrayView command)
{
    const auto set = [&](Channel channel, int offset) {
        const float reference = FloatLE(command, offset);
        if (std::isfinite(reference))
            offsets_[channel] = reference - kCalibrationInput;
    };
    switch (At(command, kCalibrationSelector)) {
    case 1:
        set(Ont1310, 3);
        break;
    case 2:
        set(Olt1490, 7);
        break;
    case 3:
        set(Olt1577, 11);
        break;
    case 8:
        set(Ont1270, 16);
        break;
    case 4:
        offsets_.fill(0.0f);
        break;
    default:
        break;
    }
}
