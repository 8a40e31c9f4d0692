#include "link/DeviceLink.h"

#include "common/Prompter.h"
#include "link/ReceptionWorker.h"
#include "link/SerialPortDriver.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThread>
#include <algorithm>

Q_LOGGING_CATEGORY(lcLink, "qx390d.link")

namespace {
// How long stopping reception, and the program's exit, wait for a reception thread. The
// thread never waits for the UI thread once stopped, so it normally ends at once.
constexpr int kThreadWaitMs = 2000;
} // namespace

DeviceLink::DeviceLink(QObject* parent) : QObject(parent)
{
    connect(&watch_, &ExchangeWatch::Stalled, this, &DeviceLink::OnStalled);
}

DeviceLink::~DeviceLink()
{
    ShutDown();
    // The port is a child; it goes with the link.
    if (port_)
        port_->disconnect(this);
}

void DeviceLink::SetPrompter(Prompter* prompter, QWidget* owner)
{
    prompter_ = prompter;
    owner_ = owner;
}

void DeviceLink::SetPort(SerialPortDriver* port)
{
    if (port_) {
        port_->disconnect(this);
        port_->Close();
        // It may be inside one of its own signals right now.
        port_->deleteLater();
    }
    port_ = port;
    if (!port)
        return;
    linkActive_ = false;
    port->setParent(this);
    connect(port, &SerialPortDriver::Received, this, &DeviceLink::OnChunk);
    connect(port, &SerialPortDriver::Lost, this, &DeviceLink::OnPortLost);
}

void DeviceLink::StartReception()
{
    StopReception();
    const quint64 generation = ++generation_;
    receptionThread_ = new QThread;
    receptionThread_->setObjectName(QStringLiteral("reception"));
    control_ = std::make_shared<ReceptionControl>();
    worker_ = new ReceptionWorker(*this, generation, control_);
    worker_->moveToThread(receptionThread_);
    connect(receptionThread_, &QThread::finished, worker_, &QObject::deleteLater);
    // For a thread that outlives its wait; one that ends in time is deleted at once.
    connect(receptionThread_, &QThread::finished, receptionThread_, &QObject::deleteLater);
    receptionThread_->start();
}

void DeviceLink::StopReception()
{
    // Whatever the thread has already handed over is dropped from here on.
    ++generation_;
    if (!worker_)
        return;
    QThread* thread = receptionThread_;
    control_->Stop();
    thread->quit();
    worker_ = nullptr;
    receptionThread_ = nullptr;
    control_.reset();
    if (thread->wait(kThreadWaitMs)) {
        delete thread;
        return;
    }
    qWarning("reception thread did not end in time");
    lingering_ << thread;
}

void DeviceLink::PostToTarget(const MeterMessage& message)
{
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (targetObject_)
                target_->OnMeterMessage(message);
        },
        Qt::QueuedConnection);
}

bool DeviceLink::ReceptionRunning() const
{
    return worker_ != nullptr;
}

bool DeviceLink::HandshakeAnswered() const
{
    return IsCurrent(handshakeGeneration_);
}

bool DeviceLink::OpenPort(QString* error)
{
    if (!port_)
        return false;
    if (port_->IsOpen())
        port_->Close();
    {
        std::lock_guard guard(lock_);
        frame_.ClearFrame();
        awaited_ = {};
    }
    QString openError;
    if (!port_->IsOpen() && !port_->Open(state_.portName, &openError)) {
        linkActive_ = false;
        if (error)
            *error = openError;
        return false;
    }
    noticeShown_ = false;
    linkActive_ = true;
    std::lock_guard guard(lock_);
    frame_.SetCode(MeterCode::Handshake);
    SendFrame();
    return true;
}

void DeviceLink::ClosePort()
{
    if (!linkActive_)
        return;
    StopReception();
    linkActive_ = false;
    watch_.Stop();
    {
        // An answer still on its way belongs to no exchange any more.
        std::lock_guard guard(lock_);
        awaited_ = {};
    }
    if (port_ && port_->IsOpen())
        port_->Close();
    SetPort(nullptr);
    state_.connected = false;
    Q_EMIT Closed();
}

void DeviceLink::RequestRecord(quint16 index)
{
    Send([index](CommandFrame& f) { f.RequestRecord(index); });
}

void DeviceLink::RequestThresholdPart1(quint8 group)
{
    Send([group](CommandFrame& f) { f.RequestThresholdPart1(group); });
}

void DeviceLink::RequestThresholdPart2(quint8 group)
{
    Send([group](CommandFrame& f) { f.RequestThresholdPart2(group); });
}

void DeviceLink::RequestThresholdPart3(quint8 group)
{
    Send([group](CommandFrame& f) { f.RequestThresholdPart3(group); });
}

void DeviceLink::DeleteCurrentRecord()
{
    Send([this](CommandFrame& f) { f.DeleteCurrentRecord(state_.storedRecordCount); });
}

void DeviceLink::SendFrame()
{
    // The generation changes on the UI thread only, so a sender there is of the current one.
    SendFrameOf(generation_.load());
}

void DeviceLink::SendFrameOf(quint64 generation)
{
    if (!linkActive_)
        return;
    frame_.Complete();
    const QByteArray bytes = frame_.ToByteArray();
    // From here on its exchange accepts the answer to this request only. Other commands
    // (deletes, calibration) leave what is awaited as it is.
    quint64 request = 0;
    if (const std::optional<AwaitedAnswer> awaited = AwaitedAnswer::Of(bytes)) {
        request = ++requestsSent_;
        awaited_[static_cast<size_t>(awaited->exchange)] = {*awaited, request};
    }
    if (QThread::currentThread() == thread()) {
        WriteBytes(bytes, request);
        return;
    }
    // The port belongs to the UI thread; queued calls keep the frames in order. A frame
    // of a reception thread stopped in the meantime is not written.
    QMetaObject::invokeMethod(
        this,
        [this, bytes, request, generation] {
            if (IsCurrent(generation))
                WriteBytes(bytes, request);
        },
        Qt::QueuedConnection);
}

void DeviceLink::WriteBytes(const QByteArray& bytes, quint64 request)
{
    if (!linkActive_ || !port_)
        return;
    if (port_->Write(bytes)) {
        if (request != 0)
            watchedRequest_ = request;
        watch_.OnSent(bytes, state_.storedRecordCount);
        Q_EMIT FrameSent(bytes);
        return;
    }
    // The sender may hold the lock, and closing waits for the reception thread, which may
    // want the lock: the link is closed, and the operator told, once the sender returns.
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_.load()] {
            if (IsCurrent(generation))
                OnPortLost();
        },
        Qt::QueuedConnection);
}

void DeviceLink::OnChunk(const QByteArray& chunk)
{
    if (!worker_ || chunk.isEmpty())
        return;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, chunk] { w->OnChunk(chunk); }, Qt::QueuedConnection);
}

void DeviceLink::OnPortLost()
{
    ClosePort();
    // The download cannot go on; the tabs must not stay locked.
    state_.downloadBusy = false;
    if (noticeShown_)
        return;
    noticeShown_ = true;
    Q_EMIT PortLost();
    if (prompter_)
        prompter_->Notify(owner_, disconnectNotice());
}

void DeviceLink::OnStalled(const QString& text)
{
    {
        std::lock_guard guard(lock_);
        const auto stalled =
            std::find_if(awaited_.begin(), awaited_.end(), [this](const Awaited& awaited) {
                return awaited.request != 0 && awaited.request == watchedRequest_;
            });
        // The reception thread took the answer just before the limit passed (and may have
        // sent the next request): its arrival is on its way here, and the exchange goes on.
        if (stalled == awaited_.end())
            return;
        // Whatever answers the request from now on belongs to an ended exchange.
        *stalled = {};
    }
    // The exchange has ended: the tabs unlock; what arrived stays where it is.
    state_.downloadBusy = false;
    Q_EMIT ExchangeStalled(text);
    if (prompter_)
        prompter_->Notify(owner_, text, Prompter::Icon::Warning);
}

bool DeviceLink::TakeAnswer(quint64 generation, const QByteArray& answer, AwaitedAnswer* request)
{
    const quint8 code = static_cast<quint8>(answer[2]);
    const std::optional<AwaitedAnswer::Exchange> exchange = AwaitedAnswer::ExchangeOf(code);
    // The handshake and the deletes are no such exchange: their answers always count.
    if (!exchange)
        return true;
    {
        std::lock_guard guard(lock_);
        Awaited& awaited = awaited_[static_cast<size_t>(*exchange)];
        if (IsCurrent(generation) && awaited.request != 0 && awaited.answer.IsAnsweredBy(answer)) {
            *request = awaited.answer;
            awaited = {};
            return true;
        }
    }
    const int dropped = ++droppedAnswers_;
    qCDebug(lcLink, "answer %02X awaited by no exchange: dropped (%d so far)", code, dropped);
    return false;
}

void DeviceLink::OnAnswer(quint64 generation, quint8 code)
{
    if (IsCurrent(generation))
        watch_.OnAnswer(code);
}

void DeviceLink::Deliver(quint64 generation, const MeterMessage& message)
{
    // Handed over at once: the page acts while this link is still the one that got it.
    if (IsCurrent(generation) && targetObject_)
        target_->OnMeterMessage(message);
}

void DeviceLink::ShowFromReception(quint64 generation, const QString& text)
{
    if (IsCurrent(generation) && prompter_)
        prompter_->Notify(owner_, text);
}

void DeviceLink::ConfirmConnection(quint64 generation)
{
    // The box may have stayed open while the link closed, or closed and opened anew.
    if (!IsCurrent(generation) || !linkActive_)
        return;
    state_.connected = true;
    state_.connectPending = false;
}

void DeviceLink::ShutDown()
{
    StopReception();
    for (const QPointer<QThread>& thread : std::as_const(lingering_)) {
        if (thread && !thread->wait(kThreadWaitMs))
            qWarning("reception thread did not end in time");
    }
    lingering_.clear();
}
