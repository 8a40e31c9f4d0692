#include "link/ResponseDispatcher.h"

#include "link/LinkState.h"
#include "link/MeterCodes.h"
#include "link/ResponseFrame.h"

namespace {

DispatchAction PostCopy(int message, const QByteArray& frame)
{
    DispatchAction a{DispatchAction::Kind::Post};
    a.message = message;
    a.copy = frame;
    a.param = static_cast<int>(frame.size());
    return a;
}

DispatchAction PostParam(int message, int param)
{
    DispatchAction a{DispatchAction::Kind::Post};
    a.message = message;
    a.param = param;
    return a;
}

DispatchAction Request(quint8 code, quint8 group)
{
    DispatchAction a{DispatchAction::Kind::SendRequest};
    a.code = code;
    a.group = group;
    return a;
}

DispatchAction Show(const QString& text)
{
    DispatchAction a{DispatchAction::Kind::ShowMessage};
    a.text = text;
    return a;
}

} // namespace

QList<DispatchAction> Dispatch(const QByteArray& bytes)
{
    const ResponseFrame frame(bytes);
    const quint8 group = frame.Group();
    switch (frame.Code()) {
    case MeterCode::Handshake:
        return {Show(DispatchText::ConnectedSuccess),
                DispatchAction{DispatchAction::Kind::ConfirmConnection}};
    case MeterCode::RequestRecord:
        return {PostCopy(WM_METER_RECORD, bytes)};
    case MeterCode::ThresholdPart1:
        return {PostCopy(WM_METER_THR_PART1, bytes), Request(MeterCode::ThresholdPart2, group)};
    case MeterCode::ThresholdPart2:
        return {PostCopy(WM_METER_THR_PART2, bytes), Request(MeterCode::ThresholdPart3, group)};
    case MeterCode::ThresholdPart3: {
        const int next = group + 1;
        if (next <= 3)
            return {PostCopy(WM_METER_THR_PART3, bytes),
                    Request(MeterCode::ThresholdPart1, static_cast<quint8>(next))};
        return {PostCopy(WM_METER_THR_PART3, bytes), Show(DispatchText::ThresholdDownloadComplete)};
    }
    case MeterCode::UploadPart1:
        return {PostParam(WM_METER_UPLOAD_PART2, uploadGroupCounter + 1)};
    case MeterCode::UploadPart2:
        return {PostParam(WM_METER_UPLOAD_PART3, uploadGroupCounter + 1)};
    case MeterCode::UploadPart3: {
        const int counter = ++uploadGroupCounter;
        if (counter + 1 <= 3)
            return {PostParam(WM_METER_UPLOAD_GROUP, counter + 1)};
        uploadGroupCounter = 0;
        return {Show(DispatchText::ThresholdUploadComplete)};
    }
    case MeterCode::DeleteCurrent:
        return {PostParam(WM_METER_RECORD_DELETED, storedRecordCount.load())};
    case MeterCode::DeleteAll:
        return {PostParam(WM_METER_RECORD_DELETED, 0)};
    default:
        return {};
    }
}
