#pragma once

#include "link/CommandFrame.h"
#include "link/ExchangeWatch.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

class Prompter;
class QThread;
class QWidget;
class ReceptionControl;
class ReceptionWorker;
class SerialPortDriver;

// The one link to the meter. It owns the port (`commControl`), the single command buffer
// `frame` and its lock, and the reception thread that assembles and dispatches answers.
// It lives on the UI thread; the port is used only there. Frames built on the reception
// thread are written by the UI thread, in order.
//
// Every reception thread gets a generation number. Whatever a thread hands to the UI
// thread (answers for the pages, follow-up requests, the dispatcher's boxes, the handshake
// confirmation) carries its generation and is dropped once reception has been stopped
// since, so a closed link never hears from its old thread.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    // The one link, created on first use; it is never destroyed before the process ends.
    static DeviceLink* Instance();

    // Who shows the link's own boxes ("Connected Success!", the completion notices, the
    // disconnect notice and the stalled-exchange notice), and the window that owns them.
    void SetPrompter(Prompter* prompter, QWidget* owner);
    Prompter* BoxPrompter() const { return prompter_; }
    QWidget* BoxOwner() const { return owner_; }

    // Hands a new port to the link (the link owns it from then on); nullptr clears it.
    void SetCommControl(SerialPortDriver* port);
    SerialPortDriver* CommControl() const { return commControl_; }

    // Starts a fresh reception thread (the connect command does this before OpenPort).
    void StartReception();
    // Ends the reception thread and waits for it (a bounded time). From here on it acts on
    // nothing more; a box it waits on stays with the operator, but the thread does not wait
    // for it.
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
        std::lock_guard guard(lock);
        fill(frame);
        SendFrame();
    }

    // Completes and writes `frame`. The caller holds `lock`.
    void SendFrame();

    // True once the meter has answered the handshake of the current reception thread
    // (before the operator has closed "Connected Success!").
    bool HandshakeAnswered() const;

    // The limit on each answer of a download or an upload (tests make it pass through it).
    ExchangeWatch& AnswerWatch() { return watch_; }

    // At program exit: ends the reception thread, and any that did not end when stopped,
    // waiting a bounded time for each.
    void ShutDown();

    // Window that receives the meter's answers (the selected page); UI thread only.
    QPointer<QObject> targetWindow;
    // 1 while the port is open and frames may be sent.
    std::atomic<int> linkActive{0};
    CommandFrame frame;
    std::mutex lock;

Q_SIGNALS:
    // A frame has been handed to the port (UI thread).
    void FrameSent(const QByteArray& bytes);
    // The link was closed because the port failed or went away.
    void PortLost();
    // The link has been closed, for whatever reason (UI thread).
    void Closed();
    // A download or upload waited too long for an answer and has ended (UI thread).
    void ExchangeStalled(const QString& text);

private:
    friend class ReceptionWorker;

    explicit DeviceLink(QObject* parent = nullptr);
    bool IsCurrent(quint64 generation) const { return generation == generation_.load(); }
    void WriteBytes(const QByteArray& bytes);
    void OnChunk(const QByteArray& chunk);
    void OnPortLost();
    void OnStalled(const QString& text);

    // Called by the reception thread of `generation`.
    template <typename Fill> void SendFromReception(quint64 generation, Fill fill)
    {
        std::lock_guard guard(lock);
        // A stopped thread leaves the frame alone: the next sender may build on it.
        if (!IsCurrent(generation))
            return;
        fill(frame);
        SendFrame();
    }

    // What the reception thread of `generation` has the UI thread do.
    void OnAnswer(quint64 generation, quint8 code);
    void Deliver(quint64 generation, int message, const QByteArray& copy, int param);
    void ShowFromReception(quint64 generation, const QString& text);
    void ConfirmConnection(quint64 generation);

    SerialPortDriver* commControl_ = nullptr;
    Prompter* prompter_ = nullptr;
    QWidget* owner_ = nullptr; // the main window, which outlives every use of the link
    QThread* receptionThread_ = nullptr;
    ReceptionWorker* worker_ = nullptr;
    std::shared_ptr<ReceptionControl> control_;
    // Threads that did not end in time when stopped; ShutDown waits for them once more.
    QList<QPointer<QThread>> lingering_;
    // Changed on the UI thread only: at every start and stop of reception.
    std::atomic<quint64> generation_{1};
    std::atomic<quint64> handshakeGeneration_{0};
    ExchangeWatch watch_;
    bool noticeShown_ = false;
};
