#pragma once

#include "link/ResponseDispatcher.h"
#include "protocol/FrameAssembler.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class DeviceLink;

// What the UI thread shares with one reception thread: the stop, and the gate the thread
// waits at while one of the dispatcher's boxes is open. The UI thread touches only this,
// never the worker itself, which lives and dies on its own thread.
class ReceptionControl
{
public:
    // Any thread: from now on nothing more is handled, and a wait for a box ends at once.
    void Stop();
    bool Stopped() const { return stopped_.load(); }
    // UI thread: one more box has been closed.
    void BoxClosed();
    // Reception thread: waits until `count` boxes have been closed, or for the stop.
    void WaitForBoxes(int count);

private:
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    int boxesClosed_ = 0;
};

// Lives on the reception thread: takes the received chunks in order, assembles answer
// frames and carries out what the dispatch table says for each. Everything it hands to the
// UI thread carries its generation (see DeviceLink).
class ReceptionWorker : public QObject
{
    Q_OBJECT

public:
    ReceptionWorker(DeviceLink& link, quint64 generation,
                    std::shared_ptr<ReceptionControl> control);

    // Arrives as a queued call, so chunks are handled in the order they were received.
    void OnChunk(const QByteArray& chunk);

private:
    void Handle(const QByteArray& frame);
    // The dispatcher's boxes hold this thread until the operator closes them.
    void ShowAndWait(const QString& text);
    // Runs `call` on the UI thread, after everything handed over before it.
    template <typename Call> void OnUiThread(Call call);

    DeviceLink& link_;
    const quint64 generation_;
    const std::shared_ptr<ReceptionControl> control_;
    FrameAssembler assembler_;
    ResponseDispatcher dispatcher_;
    int boxesShown_ = 0;
};
