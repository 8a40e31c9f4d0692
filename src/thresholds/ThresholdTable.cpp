#include "thresholds/ThresholdTable.h"

#include "common/NumberText.h"
#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/ResponseFrame.h"

namespace {

constexpr int kNameOffset = 15;
constexpr int kNameSize = 10;
constexpr quint8 kLineFeed = 0x0A;

constexpr quint8 kUploadCodes[] = {MeterCode::UploadPart1, MeterCode::UploadPart2,
                                   MeterCode::UploadPart3};

} // namespace

ThresholdTable::ThresholdTable()
{
    for (int g = 1; g <= kGroups; ++g)
        Group(g).number = static_cast<quint8>(g);
}

void ThresholdTable::MarkPartSet(int group, int part)
{
    if (IsGroupNumber(group) && part >= 1 && part <= 3)
        partsSet_[static_cast<size_t>(group - 1)] |= static_cast<quint8>(1u << (part - 1));
}

void ThresholdTable::MarkKnown(int group)
{
    if (IsGroupNumber(group))
        partsSet_[static_cast<size_t>(group - 1)] = kAllParts;
}

bool ThresholdTable::IsKnown(int group) const
{
    return IsGroupNumber(group) && partsSet_[static_cast<size_t>(group - 1)] == kAllParts;
}

bool ThresholdTable::AnyKnown() const
{
    for (int g = 1; g <= kGroups; ++g) {
        if (IsKnown(g))
            return true;
    }
    return false;
}

ThresholdPart PartLayout(int part)
{
    switch (part) {
    case 1:
        return {0, 6, false};
    case 2:
        return {6, 3, true};
    default:
        return {9, 3, true};
    }
}

std::optional<ThresholdAnswer> DecodeThresholdAnswer(int part, const QByteArray& copy)
{
    const ResponseFrame frame(copy);
    if (!frame.HasPayload() || !ThresholdTable::IsGroupNumber(frame.Group()))
        return std::nullopt;
    const ThresholdPart layout = PartLayout(part);
    ThresholdAnswer answer;
    answer.group = frame.Group();
    for (int i = 0; i < layout.count; ++i)
        answer.limits << frame.FloatLE(kPayloadFirst + 4 * i);
    if (layout.hasName) {
        // The name ends at its first zero byte, or after all ten.
        const QByteArray field = copy.mid(kNameOffset, kNameSize);
        const qsizetype end = field.indexOf('\0');
        answer.name = QString::fromUtf8(end < 0 ? field : field.first(end));
    }
    return answer;
}

void StoreThresholdAnswer(ThresholdTable& table, int part, const ThresholdAnswer& answer)
{
    const ThresholdPart layout = PartLayout(part);
    ThresholdGroup& group = table.Group(answer.group);
    for (int i = 0; i < layout.count && i < answer.limits.size(); ++i)
        group.limits[static_cast<size_t>(layout.first + i)] = answer.limits[i];
    table.MarkPartSet(answer.group, part);
}

float LimitFromText(QStringView text)
{
    return static_cast<float>(LeadingNumber(text));
}

QString LimitText(float limit)
{
    return QString::asprintf("%.2f", static_cast<double>(limit));
}

void FillUploadPart(CommandFrame& frame, ThresholdTable& table, int part, int group,
                    const QStringList& texts)
{
    const ThresholdPart layout = PartLayout(part);
    frame.SetCode(kUploadCodes[part - 1]);
    ThresholdGroup& stored = table.Group(group);
    for (int i = 0; i < layout.count; ++i) {
        const float limit = LimitFromText(texts.value(i));
        stored.limits[static_cast<size_t>(layout.first + i)] = limit;
        frame.PutFloatLE(kPayloadFirst + 4 * i, limit);
    }
    table.MarkPartSet(group, part);
    if (layout.hasName) {
        // The meter is sent the group number as text in place of the name, ended by its
        // zero byte and padded with blanks.
        const QByteArray number = QByteArray::number(group);
        for (int i = 0; i < kNameSize; ++i)
            frame[kNameOffset + i] = ' ';
        for (int i = 0; i <= number.size() && i < kNameSize; ++i)
            frame[kNameOffset + i] = static_cast<quint8>(number.constData()[i]);
    }
    frame[27] = kLineFeed;
    frame[kGroupByte] = static_cast<quint8>(group);
}

void SendUploadPart(DeviceLink& link, ThresholdTable& table, int part, int group,
                    const QStringList& texts)
{
    link.Send([&](CommandFrame& frame) { FillUploadPart(frame, table, part, group, texts); });
}
