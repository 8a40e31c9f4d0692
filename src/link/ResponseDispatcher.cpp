#include "link/ResponseDispatcher.h"

#include "link/LinkState.h"
#include "protocol/MeterCodes.h"
#include "protocol/ResponseFrame.h"

DispatchAction DispatchAction::PostCopy(MeterMessage::Kind kind, const QByteArray& frame)
{
    DispatchAction a{Kind::Post};
    a.message = {kind, frame, static_cast<int>(frame.size())};
    return a;
}

DispatchAction DispatchAction::PostParam(MeterMessage::Kind kind, int param)
{
    DispatchAction a{Kind::Post};
    a.message = {kind, {}, param};
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

QList<DispatchAction> ResponseDispatcher::Dispatch(const QByteArray& bytes, quint8 uploadGroup)
{
    const ResponseFrame frame(bytes);
    const quint8 group = frame.Group();
    switch (frame.Code()) {
    case MeterCode::Handshake:
        return {DispatchAction::Show(DispatchText::ConnectedSuccess()),
                DispatchAction{DispatchAction::Kind::ConfirmConnection}};
    case MeterCode::RequestRecord:
        return {DispatchAction::PostCopy(MeterMessage::Kind::Record, bytes)};
    case MeterCode::ThresholdPart1:
        return {DispatchAction::PostCopy(MeterMessage::Kind::ThresholdPart1, bytes),
                DispatchAction::Request(MeterCode::ThresholdPart2, group)};
    case MeterCode::ThresholdPart2:
        return {DispatchAction::PostCopy(MeterMessage::Kind::ThresholdPart2, bytes),
                DispatchAction::Request(MeterCode::ThresholdPart3, group)};
    case MeterCode::ThresholdPart3: {
        const int next = group + 1;
        if (next <= 3)
            return {DispatchAction::PostCopy(MeterMessage::Kind::ThresholdPart3, bytes),
                    DispatchAction::Request(MeterCode::ThresholdPart1, static_cast<quint8>(next))};
        return {DispatchAction::PostCopy(MeterMessage::Kind::ThresholdPart3, bytes),
                DispatchAction::Show(DispatchText::ThresholdDownloadComplete())};
    }
    // The group of an upload's next frame follows from the frame acknowledged.
    case MeterCode::UploadPart1:
        return {DispatchAction::PostParam(MeterMessage::Kind::UploadPart2, uploadGroup)};
    case MeterCode::UploadPart2:
        return {DispatchAction::PostParam(MeterMessage::Kind::UploadPart3, uploadGroup)};
    case MeterCode::UploadPart3:
        if (uploadGroup + 1 <= 3)
            return {
                DispatchAction::PostParam(MeterMessage::Kind::UploadNextGroup, uploadGroup + 1)};
        return {DispatchAction::Show(DispatchText::ThresholdUploadComplete())};
    case MeterCode::DeleteCurrent:
        return {DispatchAction::PostParam(MeterMessage::Kind::RecordDeleted,
                                          state_.storedRecordCount.load())};
    case MeterCode::DeleteAll:
        return {DispatchAction::PostParam(MeterMessage::Kind::RecordDeleted, 0)};
    default:
        return {};
    }
}
