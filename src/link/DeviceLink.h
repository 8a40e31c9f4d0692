#pragma once

#include "link/AwaitedAnswer.h"
#include "link/ExchangeWatch.h"
#include "link/LinkState.h"
#include "link/MeterMessage.h"
#include "protocol/CommandFrame.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

class Prompter;
class QThread;
class QWidget;
class ReceptionControl;
class ReceptionWorker;
class SerialPortDriver;

// The link to the meter. The program (or the command-line session) owns one and hands it to
// the pages and commands. It owns the port, the single command buffer and its lock (senders reach
// them only through `Send` and the builders), the link's state, and the reception thread that
// assembles and dispatches answers. It lives on the UI thread; the port is used only there. Frames
// built on the reception thread are written by the UI thread, in order.
//
// Every reception thread gets a generation number. Whatever a thread hands to the UI
// thread (answers for the pages, follow-up requests, the dispatcher's boxes, the handshake
// confirmation) carries its generation and is dropped once reception has been stopped
// since, so a closed link never hears from its old thread.
//
// The record download and the threshold download and upload each wait for one answer at a
// time: the answer to the request of that exchange sent last, which the link notes when it
// sends it. Their answers are acted on only when awaited; one that comes after its exchange
// has stalled, or after a newer request of it, is dropped before it can set anything off.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    explicit DeviceLink(QObject* parent = nullptr);
    // Ends the reception thread first (ShutDown).
    ~DeviceLink() override;

    LinkState& State() { return state_; }
    const LinkState& State() const { return state_; }

    // Who shows the link's own boxes ("Connected Success!", the completion notices, the
    // disconnect notice and the stalled-exchange notice), and the window that owns them.
    void SetPrompter(Prompter* prompter, QWidget* owner);

    // Hands a new port to the link (the link owns it from then on); nullptr clears it. A
    // new port is not open: nothing is sent until OpenPort.
    void SetPort(SerialPortDriver* port);
    SerialPortDriver* Port() const { return port_; }

    // The page (or session) that receives the meter's answers: the selected tab's page.
    // UI thread only; nothing reaches a target that no longer exists.
    template <typename Target> void SetMessageTarget(Target* target)
    {
        targetObject_ = target;
        target_ = target;
    }
    void ClearMessageTarget()
    {
        targetObject_ = nullptr;
        target_ = nullptr;
    }
    QObject* MessageTarget() const { return targetObject_; }
    // Hands `message` to the target on a later turn of the event loop, as a command of the
    // menu does.
    void PostToTarget(const MeterMessage& message);

    // Starts a fresh reception thread (the connect command does this before OpenPort).
    void StartReception();
    // Ends the reception thread and waits for it (a bounded time). From here on it acts on
    // nothing more; a box it waits on stays with the operator, but the thread does not wait
    // for it.
    void StopReception();
    bool ReceptionRunning() const;

    // Opens the state's `portName` at 9600 8N1 and sends the handshake. On failure the port's own
    // error text, if there is one, is put in `error`.
    bool OpenPort(QString* error = nullptr);
    void ClosePort();

    // Builders: each takes the lock, fills the command buffer and sends it.
    void RequestRecord(quint16 index);
    void RequestThresholdPart1(quint8 group);
    void RequestThresholdPart2(quint8 group);
    void RequestThresholdPart3(quint8 group);
    void DeleteCurrentRecord();

    // For senders that fill the frame themselves (device commands, calibration, upload):
    // `fill` runs under the lock on the command buffer as the previous frame left it, then
    // the frame is completed and written.
    template <typename Fill> void Send(Fill fill)
    {
        std::lock_guard guard(lock_);
        fill(frame_);
        SendFrame();
    }

    // True once the meter has answered the handshake of the current reception thread
    // (before the operator has closed "Connected Success!").
    bool HandshakeAnswered() const;

    // The limit on each answer of a download or an upload (tests make it pass through it).
    ExchangeWatch& AnswerWatch() { return watch_; }

    // Answers dropped so far because no exchange waited for them: late answers of an
    // exchange that stalled or was started again, and answers to no request at all.
    int DroppedAnswers() const { return droppedAnswers_.load(); }

    // At program exit: ends the reception thread, and any that did not end when stopped,
    // waiting a bounded time for each.
    void ShutDown();

    // True while the port is open and frames may be sent.
    bool IsActive() const { return linkActive_.load(); }

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

    // Completes and writes `frame_`. A request of the record download or of a threshold
    // download or upload becomes the one whose answer its exchange accepts. The caller
    // holds `lock_`.
    void SendFrame();

    bool IsCurrent(quint64 generation) const { return generation == generation_.load(); }
    // SendFrame for a sender of `generation`: the frame of a reception thread that has been
    // stopped before the UI thread writes it is not written. The caller holds `lock_`.
    void SendFrameOf(quint64 generation);
    // `request` numbers an awaited request; 0 for any other frame.
    void WriteBytes(const QByteArray& bytes, quint64 request);
    void OnChunk(const QByteArray& chunk);
    void OnPortLost();
    void OnStalled(const QString& text);

    // Called by the reception thread of `generation`.
    template <typename Fill> void SendFromReception(quint64 generation, Fill fill)
    {
        std::lock_guard guard(lock_);
        // A stopped thread leaves the frame alone: the next sender may build on it.
        if (!IsCurrent(generation))
            return;
        fill(frame_);
        SendFrameOf(generation);
    }

    // The reception thread of `generation`, before it acts on `answer`: false when it is an
    // answer of an exchange but not the one that exchange awaits (it is dropped). An awaited
    // answer is awaited no more; `request` then tells which request it answers.
    bool TakeAnswer(quint64 generation, const QByteArray& answer, AwaitedAnswer* request);

    // What the reception thread of `generation` has the UI thread do.
    void OnAnswer(quint64 generation, quint8 code);
    void Deliver(quint64 generation, const MeterMessage& message);
    void ShowFromReception(quint64 generation, const QString& text);
    void ConfirmConnection(quint64 generation);

    // The single command buffer every sender fills and the lock that lets one at a time at it.
    CommandFrame frame_;
    std::mutex lock_;
    LinkState state_;
    SerialPortDriver* port_ = nullptr;
    std::atomic<bool> linkActive_{false};
    QPointer<QObject> targetObject_;
    MeterMessageTarget* target_ = nullptr;
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
    // What an exchange waits for: the answer, and the number of the request that asked for
    // it (awaited requests are numbered from 1 as they are sent; 0: nothing awaited).
    struct Awaited
    {
        AwaitedAnswer answer;
        quint64 request = 0;
    };
    // Guarded by `lock_`: one for each exchange, indexed by AwaitedAnswer::Exchange.
    std::array<Awaited, AwaitedAnswer::kExchanges> awaited_{};
    quint64 requestsSent_ = 0;
    // UI thread: the request whose answer the watch waits for.
    quint64 watchedRequest_ = 0;
    std::atomic<int> droppedAnswers_{0};
};
