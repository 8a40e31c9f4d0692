#include "link/ReceptionWorker.h"

#include "link/DeviceLink.h"
#include "link/MeterCodes.h"
#include "link/ResponseDispatcher.h"

ReceptionWorker::ReceptionWorker(DeviceLink& link, quint64 generation)
    : link_(link), generation_(generation)
{
}

template <typename Call> void ReceptionWorker::OnUiThread(Call call)
{
    QMetaObject::invokeMethod(
        &link_, [link = &link_, call = std::move(call)] { call(*link); }, Qt::QueuedConnection);
}

void ReceptionWorker::OnChunk(const QByteArray& chunk)
{
    if (stopped_)
        return;
    for (const QByteArray& frame : assembler_.Feed(chunk)) {
        Handle(frame);
        if (stopped_)
            return;
    }
}

void ReceptionWorker::Stop()
{
    stopped_ = true;
    {
        std::lock_guard guard(gate_->mutex);
        gate_->stopped = true;
    }
    gate_->changed.notify_all();
}

void ReceptionWorker::Handle(const QByteArray& frame)
{
    const quint8 code = static_cast<quint8>(frame[2]);
    if (code == MeterCode::Handshake)
        link_.handshakeGeneration_ = generation_;
    OnUiThread([g = generation_, code](DeviceLink& link) { link.OnAnswer(g, code); });
    for (const DispatchAction& action : Dispatch(frame)) {
        if (stopped_)
            return;
        switch (action.kind) {
        case DispatchAction::Kind::Post:
            // Resolved to the selected page on the UI thread, when it arrives there.
            OnUiThread([g = generation_, m = action.message, c = action.copy,
                        p = action.param](DeviceLink& link) { link.Deliver(g, m, c, p); });
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
    OnUiThread([g = generation_, gate = gate_, text](DeviceLink& link) {
        link.ShowFromReception(g, text);
        {
            std::lock_guard guard(gate->mutex);
            ++gate->closed;
        }
        gate->changed.notify_all();
    });
    // Chunks that arrive meanwhile wait in this thread's queue, in order.
    std::unique_lock guard(gate_->mutex);
    gate_->changed.wait(guard, [&] { return gate_->closed >= shown || gate_->stopped; });
}
