#include "link/ReceptionWorker.h"

#include "link/DeviceLink.h"
#include "link/ResponseDispatcher.h"
#include "protocol/MeterCodes.h"

void ReceptionControl::Stop()
{
    {
        std::lock_guard guard(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

void ReceptionControl::BoxClosed()
{
    {
        std::lock_guard guard(mutex_);
        ++boxesClosed_;
    }
    changed_.notify_all();
}

void ReceptionControl::WaitForBoxes(int count)
{
    std::unique_lock guard(mutex_);
    changed_.wait(guard, [&] { return boxesClosed_ >= count || stopped_; });
}

ReceptionWorker::ReceptionWorker(DeviceLink& link, quint64 generation,
                                 std::shared_ptr<ReceptionControl> control)
    : link_(link), generation_(generation), control_(std::move(control)), dispatcher_(link.State())
{
}

template <typename Call> void ReceptionWorker::OnUiThread(Call call)
{
    QMetaObject::invokeMethod(
        &link_, [link = &link_, call = std::move(call)] { call(*link); }, Qt::QueuedConnection);
}

void ReceptionWorker::OnChunk(const QByteArray& chunk)
{
    if (control_->Stopped())
        return;
    for (const QByteArray& frame : assembler_.Feed(chunk)) {
        Handle(frame);
        if (control_->Stopped())
            return;
    }
}

void ReceptionWorker::Handle(const QByteArray& frame)
{
    const quint8 code = static_cast<quint8>(frame[2]);
    if (code == MeterCode::Handshake)
        link_.handshakeGeneration_ = generation_;
    // An answer that no exchange waits for sets nothing off: no row, no follow-up request,
    // no step of an upload, no completion message.
    AwaitedAnswer request;
    if (!link_.TakeAnswer(generation_, frame, &request))
        return;
    OnUiThread([g = generation_, code](DeviceLink& link) { link.OnAnswer(g, code); });
    for (const DispatchAction& action : dispatcher_.Dispatch(frame, request.group)) {
        if (control_->Stopped())
            return;
        switch (action.kind) {
        case DispatchAction::Kind::Post:
            // Resolved to the selected page on the UI thread, when it arrives there.
            OnUiThread(
                [g = generation_, m = action.message](DeviceLink& link) { link.Deliver(g, m); });
            break;
        case DispatchAction::Kind::SendRequest:
            link_.SendFromReception(generation_, [&action](CommandFrame& f) {
                if (action.code == MeterCode::ThresholdPart1)
                    f.RequestThresholdPart1(action.group);
                else if (action.code == MeterCode::ThresholdPart2)
                    f.RequestThresholdPart2(action.group);
                else
                    f.RequestThresholdPart3(action.group);
            });
            break;
        case DispatchAction::Kind::ShowMessage:
            ShowAndWait(action.text);
            break;
        case DispatchAction::Kind::ConfirmConnection:
            // Decided on the UI thread, where the link closes: only a link still open counts.
            OnUiThread([g = generation_](DeviceLink& link) { link.ConfirmConnection(g); });
            break;
        }
    }
}

void ReceptionWorker::ShowAndWait(const QString& text)
{
    const int shown = ++boxesShown_;
    OnUiThread([g = generation_, control = control_, text](DeviceLink& link) {
        link.ShowFromReception(g, text);
        control->BoxClosed();
    });
    // Chunks that arrive meanwhile wait in this thread's queue, in order.
    control_->WaitForBoxes(shown);
}
