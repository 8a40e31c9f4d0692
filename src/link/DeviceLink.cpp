#include "link/DeviceLink.h"

#include "common/Prompter.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/ReceptionWorker.h"
#include "link/SerialPortDriver.h"

#include <QCoreApplication>
#include <QThread>

namespace {
// How long the program waits at exit for a reception thread that is still running.
constexpr int kShutDownWaitMs = 2000;
} // namespace

DeviceLink* DeviceLink::Instance()
{
    static DeviceLink* const link = new DeviceLink;
    return link;
}

DeviceLink::DeviceLink(QObject* parent) : QObject(parent) {}

void DeviceLink::SetPrompter(Prompter* prompter, QWidget* owner)
{
    prompter_ = prompter;
    owner_ = owner;
}

void DeviceLink::SetCommControl(SerialPortDriver* port)
{
    if (commControl_) {
        commControl_->disconnect(this);
        commControl_->Close();
        // It may be inside one of its own signals right now.
        commControl_->deleteLater();
    }
    commControl_ = port;
    if (!port)
        return;
    port->setParent(this);
    connect(port, &SerialPortDriver::Received, this, &DeviceLink::OnChunk);
    connect(port, &SerialPortDriver::Lost, this, &DeviceLink::OnPortLost);
}

void DeviceLink::StartReception()
{
    StopReception();
    receptionThread_ = new QThread;
    receptionThread_->setObjectName(QStringLiteral("reception"));
    worker_ = new ReceptionWorker(*this);
    worker_->moveToThread(receptionThread_);
    connect(receptionThread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(receptionThread_, &QThread::finished, receptionThread_, &QObject::deleteLater);
    receptionThread_->start();
}

void DeviceLink::StopReception()
{
    if (!worker_)
        return;
    QMetaObject::invokeMethod(worker_, &ReceptionWorker::Stop, Qt::QueuedConnection);
    worker_ = nullptr;
    receptionThread_ = nullptr;
}

bool DeviceLink::ReceptionRunning() const
{
    return worker_ != nullptr;
}

bool DeviceLink::OpenPort(QString* error)
{
    if (!commControl_)
        return false;
    if (commControl_->IsOpen())
        commControl_->Close();
    {
        QMutexLocker guard(&lock);
        frame.ClearFrame();
    }
    handshakeAnswered_ = false;
    QString openError;
    if (!commControl_->IsOpen() && !commControl_->Open(portName, &openError)) {
        linkActive = 0;
        if (error)
            *error = openError;
        return false;
    }
    noticeShown_ = false;
    linkActive = 1;
    QMutexLocker guard(&lock);
    frame.SetCode(MeterCode::Handshake);
    SendFrame();
    return true;
}

void DeviceLink::ClosePort()
{
    if (!linkActive)
        return;
    StopReception();
    linkActive = 0;
    if (commControl_ && commControl_->IsOpen())
        commControl_->Close();
    SetCommControl(nullptr);
    linkConnected = 0;
    // A broken-off upload must not skew the count of the next one.
    uploadGroupCounter = 0;
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
    Send([](CommandFrame& f) { f.DeleteCurrentRecord(storedRecordCount); });
}

void DeviceLink::SendFrame()
{
    if (!linkActive)
        return;
    frame.Complete();
    const QByteArray bytes = frame.ToByteArray();
    if (QThread::currentThread() == thread())
        WriteBytes(bytes);
    else
        // The port belongs to the UI thread; queued calls keep the frames in order.
        QMetaObject::invokeMethod(
            this, [this, bytes] { WriteBytes(bytes); }, Qt::QueuedConnection);
}

void DeviceLink::WriteBytes(const QByteArray& bytes)
{
    if (!linkActive || !commControl_)
        return;
    if (commControl_->Write(bytes)) {
        Q_EMIT FrameSent(bytes);
        return;
    }
    // The sender may hold the lock: the notice is shown once it has returned.
    QMetaObject::invokeMethod(this, &DeviceLink::OnPortLost, Qt::QueuedConnection);
    ClosePort();
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
    downloadBusy = 0;
    if (noticeShown_)
        return;
    noticeShown_ = true;
    Q_EMIT PortLost();
    if (prompter_)
        prompter_->Notify(owner_, disconnectNotice);
}

void DeviceLink::Deliver(int message, const QByteArray& copy, int param)
{
    if (targetWindow)
        QCoreApplication::postEvent(targetWindow, new MeterEvent(message, copy, param));
}

void DeviceLink::ShowFromReception(const QString& text)
{
    if (prompter_)
        prompter_->Notify(owner_, text);
}

void DeviceLink::ShutDown()
{
    QThread* running = receptionThread_;
    StopReception();
    if (running && !running->wait(kShutDownWaitMs))
        qWarning("reception thread did not end in time");
}
