#pragma once

#include "link/FrameAssembler.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class DeviceLink;

// Lives on the reception thread: takes the received chunks in order, assembles answer
// frames and carries out what the dispatch table says for each. Everything it hands to the
// UI thread carries its generation (see DeviceLink).
class ReceptionWorker : public QObject
{
    Q_OBJECT

public:
    ReceptionWorker(DeviceLink& link, quint64 generation);

    // Arrives as a queued call, so chunks are handled in the order they were received.
    void OnChunk(const QByteArray& chunk);
    // Any thread: from now on nothing more is handled, and a wait for a box ends at once.
    void Stop();

private:
    // The dispatcher's boxes hold this thread until the operator closes them; the UI thread
    // counts the closed ones here, and a stop ends the wait too.
    struct BoxGate
    {
        std::mutex mutex;
        std::condition_variable changed;
        int closed = 0;
        bool stopped = false;
    };

    void Handle(const QByteArray& frame);
    void ShowAndWait(const QString& text);
    // Runs `call` on the UI thread, after everything handed over before it.
    template <typename Call> void OnUiThread(Call call);

    DeviceLink& link_;
    const quint64 generation_;
    FrameAssembler assembler_;
    std::atomic<bool> stopped_{false};
    const std::shared_ptr<BoxGate> gate_ = std::make_shared<BoxGate>();
    int boxesShown_ = 0;
};
