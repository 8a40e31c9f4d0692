#include "link/ReceptionWorker.h"

#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterCodes.h"
#include "link/ResponseDispatcher.h"

#include <QThread>

void ReceptionWorker::OnChunk(const QByteArray& chunk)
{
    for (const QByteArray& frame : assembler_.Feed(chunk))
        Handle(frame);
}

void ReceptionWorker::Stop()
{
    thread()->quit();
}

void ReceptionWorker::Handle(const QByteArray& frame)
{
    if (static_cast<quint8>(frame[2]) == MeterCode::Handshake)
        link_.handshakeAnswered_ = true;
    for (const DispatchAction& action : Dispatch(frame)) {
        switch (action.kind) {
        case DispatchAction::Kind::Post:
            // Resolved to the selected page on the UI thread, when it arrives there.
            QMetaObject::invokeMethod(
                &link_,
                [link = &link_, m = action.message, c = action.copy, p = action.param] {
                    link->Deliver(m, c, p);
                },
                Qt::QueuedConnection);
            break;
        case DispatchAction::Kind::SendRequest: {
            if (action.code == MeterCode::ThresholdPart1)
                link_.RequestThresholdPart1(action.group);
            else if (action.code == MeterCode::ThresholdPart2)
                link_.RequestThresholdPart2(action.group);
            else
                link_.RequestThresholdPart3(action.group);
            break;
        }
        case DispatchAction::Kind::ShowMessage:
            // Holds this thread until the operator closes the box; chunks wait in order.
            QMetaObject::invokeMethod(
                &link_, [link = &link_, t = action.text] { link->ShowFromReception(t); },
                Qt::BlockingQueuedConnection);
            break;
        case DispatchAction::Kind::ConfirmConnection:
            linkConnected = 1;
            connectPending = 0;
            break;
        }
    }
}
