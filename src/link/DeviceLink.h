#pragma once

#include "link/CommandFrame.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>

class Prompter;
class QThread;
class QWidget;
class ReceptionWorker;
class SerialPortDriver;

// The one link to the meter. It owns the port (`commControl`), the single command buffer
// `frame` and its lock, and the reception thread that assembles and dispatches answers.
// It lives on the UI thread; the port is used only there. Frames built on the reception
// thread are written by the UI thread, in order.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    // The one link, created on first use; it is never destroyed before the process ends.
    static DeviceLink* Instance();

    // Who shows the link's own boxes ("Connected Success!", the completion notices and the
    // disconnect notice), and the window that owns them.
    void SetPrompter(Prompter* prompter, QWidget* owner);
    Prompter* BoxPrompter() const { return prompter_; }
    QWidget* BoxOwner() const { return owner_; }

    // Hands a new port to the link (the link owns it from then on); nullptr clears it.
    void SetCommControl(SerialPortDriver* port);
    SerialPortDriver* CommControl() const { return commControl_; }

    // Starts a fresh reception thread (the connect command does this before OpenPort).
    void StartReception();
    // Asks the reception thread to end after the chunks already posted; does not wait.
    void StopReception();
    bool ReceptionRunning() const;

    // Opens `portName` at 9600 8N1 and sends the handshake. On failure the port's own
    // error text, if there is one, is put in `error`.
    bool OpenPort(QString* error = nullptr);
    void ClosePort();

    // Builders: each takes the lock, fills `frame` and sends it.
    void RequestRecord(quint16 index);
    void RequestThresholdPart1(quint8 group);
    void RequestThresholdPart2(quint8 group);
    void RequestThresholdPart3(quint8 group);
    void DeleteCurrentRecord();

    // For senders that fill the frame themselves (device commands, calibration, upload):
    // `fill` runs under the lock on `frame` as the previous frame left it, then SendFrame.
    template <typename Fill> void Send(Fill fill)
    {
        QMutexLocker guard(&lock);
        fill(frame);
        SendFrame();
    }

    // Completes and writes `frame`. The caller holds `lock`.
    void SendFrame();

    // True once the meter has answered the current connect handshake (before the operator
    // has closed "Connected Success!").
    bool HandshakeAnswered() const { return handshakeAnswered_; }

    // At program exit: ends the reception thread, waiting a bounded time for it.
    void ShutDown();

    // Window that receives the meter's answers (the selected page); UI thread only.
    QPointer<QObject> targetWindow;
    // 1 while the port is open and frames may be sent.
    std::atomic<int> linkActive{0};
    CommandFrame frame;
    QMutex lock;

Q_SIGNALS:
    // A frame has been handed to the port (UI thread).
    void FrameSent(const QByteArray& bytes);
    // The link was closed because the port failed or went away.
    void PortLost();
    // The link has been closed, for whatever reason (UI thread).
    void Closed();

private:
    friend class ReceptionWorker;

    explicit DeviceLink(QObject* parent = nullptr);
    void WriteBytes(const QByteArray& bytes);
    void OnChunk(const QByteArray& chunk);
    void OnPortLost();
    void Deliver(int message, const QByteArray& copy, int param);
    void ShowFromReception(const QString& text);

    SerialPortDriver* commControl_ = nullptr;
    Prompter* prompter_ = nullptr;
    QWidget* owner_ = nullptr; // the main window, which outlives every use of the link
    QThread* receptionThread_ = nullptr;
    ReceptionWorker* worker_ = nullptr;
    std::atomic<bool> handshakeAnswered_{false};
    bool noticeShown_ = false;
};
