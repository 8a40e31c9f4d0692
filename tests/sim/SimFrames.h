#pragma once

// Shared by both suites of the virtual meter: commands built with the program's own
// CommandFrame, answers read with its ResponseFrame, the handshake made by hand, and a
// whole session run through whatever carries the bytes.

#include "TestSupport.h"
#include "protocol/CommandFrame.h"
#include "protocol/ResponseFrame.h"
#include "sim/VirtualMeter.h"

#include <QList>
#include <QTest>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>

inline const QByteArray kHandshake = FromHex("AA 0F 00") + QByteArray(26, '\0') + FromHex("0F 00");
inline const QByteArray kHandshakeAnswer =
    FromHex("55 F0 00") + QByteArray(26, '\0') + FromHex("F0 00");

inline constexpr quint8 kThresholdCodes[] = {MeterCode::ThresholdPart1, MeterCode::ThresholdPart2,
                                             MeterCode::ThresholdPart3};
inline constexpr quint8 kUploadCodes[] = {MeterCode::UploadPart1, MeterCode::UploadPart2,
                                          MeterCode::UploadPart3};
// The first frame of a group carries limits 0..5, the second 6..8 and the third 9..11;
// the second and third carry the name in bytes 15..24 too.
inline constexpr int kFirstLimit[] = {0, 6, 9};

// Sends a command and returns its one answer; empty when there is none.
using Ask = std::function<QByteArray(const QByteArray&)>;

inline QByteArray Completed(CommandFrame& frame)
{
    frame.Complete();
    return frame.ToByteArray();
}

inline QByteArray RecordRequest(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    return Completed(frame);
}

inline QByteArray ThresholdRequest(quint8 code, quint8 group)
{
    CommandFrame frame;
    frame.SetCode(code);
    frame[3] = group;
    return Completed(frame);
}

// The frame with one bit of byte `at` flipped, so its check bytes no longer hold.
inline QByteArray Flipped(QByteArray frame, int at)
{
    frame[at] = static_cast<char>(frame[at] ^ 0x40);
    return frame;
}

// The three upload frames of one group, built the way the threshold page builds them: on
// the one buffer, without clearing it, the name field holding the group number.
inline QList<QByteArray> UploadFrames(CommandFrame& frame, quint8 group,
                                      const std::array<float, 12>& limits)
{
    QList<QByteArray> frames;
    for (int part = 0; part < 3; ++part) {
        frame.SetCode(kUploadCodes[part]);
        for (int i = 0; i < (part == 0 ? 6 : 3); ++i)
            frame.PutFloatLE(3 + 4 * i, limits[kFirstLimit[part] + i]);
        if (part > 0) {
            for (int i = 15; i <= 24; ++i)
                frame[i] = ' ';
            frame[15] = static_cast<quint8>('0' + group);
            frame[16] = 0;
        }
        frame[27] = 0x0A;
        frame[28] = group;
        frames << Completed(frame);
    }
    return frames;
}

// The record an answer carries, read at the offsets the program reads.
inline MeterRecord DecodedRecord(const ResponseFrame& a)
{
    return {a.FloatLE(3), a.FloatLE(7), a.FloatLE(11), a.FloatLE(25), a.Byte(15),
            a.Byte(16),   a.Byte(17),   a.Byte(18),    a.Byte(19),    a.Byte(20)};
}

// The group as its three threshold answers carry it; nullopt when an answer is missing or
// for another code or group, or the second and third disagree on the name.
inline std::optional<MeterThresholdGroup> DownloadedGroup(const Ask& ask, quint8 group)
{
    MeterThresholdGroup result;
    for (int part = 0; part < 3; ++part) {
        const ResponseFrame answer(ask(ThresholdRequest(kThresholdCodes[part], group)));
        if (!ResponseFrame::IsRecognised(answer.Bytes()) ||
            answer.Code() != kThresholdCodes[part] || answer.Group() != group)
            return std::nullopt;
        for (int i = 0; i < (part == 0 ? 6 : 3); ++i)
            result.limits[kFirstLimit[part] + i] = answer.FloatLE(3 + 4 * i);
        const QByteArray name = answer.Bytes().mid(15, 10);
        if (part == 2 && name != result.name)
            return std::nullopt;
        if (part == 1)
            result.name = name;
    }
    return result;
}

// A session as the program runs it, every answer checked against `meter`, the fresh meter
// behind `ask`: the handshake, each record, per group the three threshold frames down and
// an upload on the one uncleared buffer, then delete current and delete all.
inline void RunSession(const Ask& ask, const VirtualMeter& meter)
{
    QCOMPARE(ask(kHandshake), kHandshakeAnswer);
    const QList<MeterRecord> records = meter.Records();
    for (quint16 i = 0; i < records.size(); ++i) {
        const ResponseFrame answer(ask(RecordRequest(i)));
        QVERIFY2(ResponseFrame::IsRecognised(answer.Bytes()) &&
                     answer.Code() == MeterCode::RequestRecord &&
                     DecodedRecord(answer) == records[i] && answer.UInt16BE(21) == i &&
                     answer.UInt16BE(23) == records.size(),
                 qPrintable(ToHex(answer.Bytes())));
    }

    CommandFrame frame;
    frame.RequestRecord(0x1234); // leaves bytes 3 and 4 set, as a previous command does
    for (quint8 group = 1; group <= 3; ++group) {
        QCOMPARE(DownloadedGroup(ask, group),
                 std::optional(VirtualMeter::FactoryGroups()[group - 1]));
        MeterThresholdGroup uploaded;
        for (int i = 0; i < 12; ++i)
            uploaded.limits[i] = -1.25f * static_cast<float>(i + 1) - group;
        uploaded.name = QByteArray(1, char('0' + group)) + '\0' + QByteArray(8, ' ');
        const QList<QByteArray> upload = UploadFrames(frame, group, uploaded.limits);
        for (int part = 0; part < 3; ++part)
            QCOMPARE(ask(upload[part]), AnswerFrame(kUploadCodes[part], {}, group));
        QCOMPARE(meter.Groups()[group - 1], uploaded);
        QCOMPARE(DownloadedGroup(ask, group), std::optional(uploaded));
    }

    frame.DeleteCurrentRecord(static_cast<quint16>(records.size()));
    QCOMPARE(ask(Completed(frame)), AnswerFrame(MeterCode::DeleteCurrent));
    QCOMPARE(meter.Records(), records.first(std::max<qsizetype>(0, records.size() - 1)));
    frame.ClearFrame();
    frame.SetCode(MeterCode::DeleteAll);
    QCOMPARE(ask(Completed(frame)), AnswerFrame(MeterCode::DeleteAll));
    // With no records left the meter answers an empty record with count 0.
    QCOMPARE(ask(RecordRequest(0)), AnswerFrame(MeterCode::RequestRecord));
}
