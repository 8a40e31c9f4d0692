#include "link/ResponseDispatcher.h"

#include "link/LinkState.h"
#include "link/MeterCodes.h"
#include "link/ResponseFrame.h"

DispatchAction DispatchAction::PostCopy(int message, const QByteArray& frame)
{
    DispatchAction a{Kind::Post};
    a.message = message;
    a.copy = frame;
    a.param = static_cast<int>(frame.size());
    return a;
}

DispatchAction DispatchAction::PostParam(int message, int param)
{
    DispatchAction a{Kind::Post};
    a.message = message;
    a.param = param;
    return a;
}

DispatchAction DispatchAction::Request(quint8 code, quint8 group)
{
    DispatchAction a{Kind::SendRequest};
    a.code = code;
    a.group = group;
    return a;
}

DispatchAction DispatchAction::Show(const QString& text)
{
    DispatchAction a{Kind::ShowMessage};
    a.text = text;
    return a;
}

QList<DispatchAction> Dispatch(const QByteArray& bytes)
{
    const ResponseFrame frame(bytes);
    const quint8 group = frame.Group();
    switch (frame.Code()) {
    case MeterCode::Handshake:
        return {DispatchAction::Show(DispatchText::ConnectedSuccess),
                DispatchAction{DispatchAction::Kind::ConfirmConnection}};
    case MeterCode::RequestRecord:
        return {DispatchAction::PostCopy(WM_METER_RECORD, bytes)};
    case MeterCode::ThresholdPart1:
        return {DispatchAction::PostCopy(WM_METER_THR_PART1, bytes),
                DispatchAction::Request(MeterCode::ThresholdPart2, group)};
    case MeterCode::ThresholdPart2:
        return {DispatchAction::PostCopy(WM_METER_THR_PART2, bytes),
                DispatchAction::Request(MeterCode::ThresholdPart3, group)};
    case MeterCode::ThresholdPart3: {
        const int next = group + 1;
        if (next <= 3)
            return {DispatchAction::PostCopy(WM_METER_THR_PART3, bytes),
                    DispatchAction::Request(MeterCode::ThresholdPart1, static_cast<quint8>(next))};
        return {DispatchAction::PostCopy(WM_METER_THR_PART3, bytes),
                DispatchAction::Show(DispatchText::ThresholdDownloadComplete)};
    }
    case MeterCode::UploadPart1:
        return {DispatchAction::PostParam(WM_METER_UPLOAD_PART2, uploadGroupCounter + 1)};
    case MeterCode::UploadPart2:
        return {DispatchAction::PostParam(WM_METER_UPLOAD_PART3, uploadGroupCounter + 1)};
    case MeterCode::UploadPart3: {
        const int counter = ++uploadGroupCounter;
        if (counter + 1 <= 3)
            return {DispatchAction::PostParam(WM_METER_UPLOAD_GROUP, counter + 1)};
        uploadGroupCounter = 0;
        return {DispatchAction::Show(DispatchText::ThresholdUploadComplete)};
    }
    case MeterCode::DeleteCurrent:
        return {DispatchAction::PostParam(WM_METER_RECORD_DELETED, storedRecordCount.load())};
    case MeterCode::DeleteAll:
        return {DispatchAction::PostParam(WM_METER_RECORD_DELETED, 0)};
    default:
        return {};
    }
}
