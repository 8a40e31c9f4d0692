#include "link/AwaitedAnswer.h"

#include "protocol/MeterCodes.h"
#include "protocol/ResponseFrame.h"

namespace {

constexpr int kRecordIndex = 21;
// A threshold download request names its group in byte 3, an upload frame in byte 28.
constexpr int kRequestedGroup = 3;

} // namespace

std::optional<AwaitedAnswer::Exchange> AwaitedAnswer::ExchangeOf(quint8 code)
{
    switch (code) {
    case MeterCode::RequestRecord:
        return Exchange::Records;
    case MeterCode::ThresholdPart1:
    case MeterCode::ThresholdPart2:
    case MeterCode::ThresholdPart3:
        return Exchange::ThresholdDownload;
    case MeterCode::UploadPart1:
    case MeterCode::UploadPart2:
    case MeterCode::UploadPart3:
        return Exchange::ThresholdUpload;
    default:
        return std::nullopt;
    }
}

std::optional<AwaitedAnswer> AwaitedAnswer::Of(const QByteArray& request)
{
    if (request.size() < kFrameSize)
        return std::nullopt;
    const auto byte = [&request](int i) {
        return static_cast<quint8>(request[i]);
    };
    const quint8 code = byte(2);
    const std::optional<Exchange> exchange = ExchangeOf(code);
    if (!exchange)
        return std::nullopt;
    switch (*exchange) {
    case Exchange::Records:
        return AwaitedAnswer{*exchange, code, static_cast<quint16>(byte(3) << 8 | byte(4)), 0};
    case Exchange::ThresholdDownload:
        return AwaitedAnswer{*exchange, code, 0, byte(kRequestedGroup)};
    case Exchange::ThresholdUpload:
        return AwaitedAnswer{*exchange, code, 0, byte(kGroupByte)};
    }
    return std::nullopt;
}

bool AwaitedAnswer::IsAnsweredBy(const QByteArray& answer) const
{
    const ResponseFrame frame(answer);
    if (answer.size() < kFrameSize || frame.Code() != code)
        return false;
    switch (exchange) {
    case Exchange::Records:
        return frame.UInt16BE(kRecordIndex) == index;
    case Exchange::ThresholdDownload:
        return frame.Group() == group;
    case Exchange::ThresholdUpload:
        break;
    }
    return true;
}
