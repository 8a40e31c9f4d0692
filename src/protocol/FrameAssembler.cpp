#include "protocol/FrameAssembler.h"

#include "protocol/MeterCodes.h"
#include "protocol/ResponseFrame.h"

namespace {

// Index of the first byte that may begin a frame: a 55 F0 pair, or a 55 standing last
// (its marker may be in the next chunk). Returns size() when there is none.
qsizetype StartOfCandidate(const QByteArray& bytes, qsizetype from)
{
    for (qsizetype i = from; i < bytes.size(); ++i) {
        if (static_cast<quint8>(bytes[i]) != ResponseFrame::kStart)
            continue;
        if (i + 1 == bytes.size() || static_cast<quint8>(bytes[i + 1]) == ResponseFrame::kMarker)
            return i;
    }
    return bytes.size();
}

} // namespace

QList<QByteArray> FrameAssembler::Feed(QByteArrayView chunk)
{
    QList<QByteArray> frames;
    pending_.append(chunk);
    qsizetype pos = 0;
    for (;;) {
        pos = StartOfCandidate(pending_, pos);
        if (pending_.size() - pos < kFrameSize)
            break;
        const QByteArrayView candidate(pending_.constData() + pos, kFrameSize);
        if (ResponseFrame::IsRecognised(candidate)) {
            frames.append(candidate.toByteArray());
            pos += kFrameSize;
        } else {
            ++pos;
        }
    }
    pending_.remove(0, pos);
    return frames;
}
