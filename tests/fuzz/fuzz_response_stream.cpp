// The meter's byte stream through the frame assembler and the dispatch table.
//
// Input: a chunking seed, a position at which a valid answer frame is planted into the
// stream (255: none), then the stream itself; the planted frame takes its code and payload
// from the stream's first 27 bytes.
//
// Invariants: every frame handed on is 31 bytes with a right header and check bytes; the
// chunking does not change the frames; the frames are those of a plain scan that takes a
// valid frame wherever one starts and goes on after it; the planted frame is found unless
// it starts inside a frame handed on before it; the dispatch table's actions fit the
// answer, an upload's acknowledgment asking for the next frame of the group sent.
#include "FuzzTargets.h"
#include "link/LinkState.h"
#include "link/ResponseDispatcher.h"
#include "protocol/FrameAssembler.h"
#include "protocol/MeterCodes.h"

namespace {

// Check bytes computed here, independently of the program's own.
bool IsValidAnswer(QByteArrayView f)
{
    if (f.size() < kFrameSize || quint8(f[0]) != 0x55 || quint8(f[1]) != 0xF0)
        return false;
    quint8 a = 0, b = 0;
    for (int i = 1; i <= 27; i += 2)
        a ^= quint8(f[i]);
    for (int i = 2; i <= 28; i += 2)
        b ^= quint8(f[i]);
    return quint8(f[29]) == a && quint8(f[30]) == b;
}

QByteArray ValidAnswer(const QByteArray& body)
{
    QByteArray f(kFrameSize, '\0');
    f[0] = char(0x55);
    f[1] = char(0xF0);
    for (int i = 0; i < body.size() && i < 27; ++i)
        f[2 + i] = body[i];
    quint8 a = 0, b = 0;
    for (int i = 1; i <= 27; i += 2)
        a ^= quint8(f[i]);
    for (int i = 2; i <= 28; i += 2)
        b ^= quint8(f[i]);
    f[29] = char(a);
    f[30] = char(b);
    return f;
}

struct Found
{
    qsizetype offset;
    QByteArray frame;
};

QList<Found> Scan(const QByteArray& stream)
{
    QList<Found> found;
    qsizetype i = 0;
    while (i + kFrameSize <= stream.size()) {
        const QByteArrayView candidate(stream.constData() + i, kFrameSize);
        if (IsValidAnswer(candidate)) {
            found.append({i, candidate.toByteArray()});
            i += kFrameSize;
        } else {
            ++i;
        }
    }
    return found;
}

void CheckActions(const QByteArray& frame, quint8 uploadGroup, const QList<DispatchAction>& actions)
{
    const quint8 code = quint8(frame[2]);
    const quint8 group = quint8(frame[kGroupByte]);
    for (const DispatchAction& action : actions) {
        switch (action.kind) {
        case DispatchAction::Kind::Post:
            FUZZ_CHECK(action.message.copy.isEmpty() || action.message.copy == frame);
            FUZZ_CHECK(action.message.copy.isEmpty() || action.message.param == kFrameSize);
            if (code == MeterCode::UploadPart1 || code == MeterCode::UploadPart2)
                FUZZ_CHECK(action.message.param == uploadGroup);
            if (code == MeterCode::UploadPart3)
                FUZZ_CHECK(action.message.param == uploadGroup + 1);
            break;
        case DispatchAction::Kind::SendRequest:
            FUZZ_CHECK(code == MeterCode::ThresholdPart1 || code == MeterCode::ThresholdPart2 ||
                       code == MeterCode::ThresholdPart3);
            FUZZ_CHECK(action.group == (code == MeterCode::ThresholdPart3 ? group + 1 : group));
            FUZZ_CHECK(action.group >= 1 || code != MeterCode::ThresholdPart3);
            break;
        case DispatchAction::Kind::ShowMessage:
            FUZZ_CHECK(action.text == DispatchText::ConnectedSuccess() ||
                       action.text == DispatchText::ThresholdDownloadComplete() ||
                       action.text == DispatchText::ThresholdUploadComplete());
            break;
        case DispatchAction::Kind::ConfirmConnection:
            FUZZ_CHECK(code == MeterCode::Handshake);
            break;
        }
    }
}

} // namespace

int FuzzResponseStream(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t seed = input.Byte();
    const uint8_t plantAt = input.Byte();
    QByteArray stream = input.Bytes(input.Remaining());
    qsizetype planted = -1;
    if (plantAt != 255) {
        planted = qMin<qsizetype>(plantAt, stream.size());
        stream.insert(planted, ValidAnswer(stream.left(27)));
    }

    FrameAssembler whole;
    const QList<QByteArray> frames = whole.Feed(stream);
    // What stays behind is one incomplete candidate at most.
    const QByteArrayView rest = QByteArrayView(stream).last(whole.Pending());
    FUZZ_CHECK(rest.size() < kFrameSize);
    FUZZ_CHECK(rest.isEmpty() || quint8(rest[0]) == 0x55);

    FrameAssembler chunked;
    QList<QByteArray> inChunks;
    ChunkSizes sizes(seed);
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = qMin(sizes.Next(seed % 2 ? 4 : 64), stream.size() - at);
        inChunks += chunked.Feed(QByteArrayView(stream.constData() + at, n));
        at += n;
    }
    FUZZ_CHECK(inChunks == frames);

    const QList<Found> scanned = Scan(stream);
    FUZZ_CHECK(scanned.size() == frames.size());
    for (qsizetype i = 0; i < frames.size(); ++i) {
        FUZZ_CHECK(frames[i].size() == kFrameSize);
        FUZZ_CHECK(IsValidAnswer(frames[i]));
        FUZZ_CHECK(frames[i] == scanned[i].frame);
    }
    if (planted >= 0) {
        bool found = false;
        for (const Found& f : scanned)
            found = found || f.offset == planted ||
                    (f.offset < planted && planted < f.offset + kFrameSize);
        FUZZ_CHECK(found);
    }

    const LinkState state;
    ResponseDispatcher dispatcher(state);
    // The group of the upload frame an acknowledgment answers, as the link knows it.
    const quint8 uploadGroup = quint8(1 + seed % 3);
    for (const QByteArray& frame : frames)
        CheckActions(frame, uploadGroup, dispatcher.Dispatch(frame, uploadGroup));
    return 0;
}
