#pragma once

#include "link/FrameAssembler.h"

#include <QObject>

class DeviceLink;

// Lives on the reception thread: takes the received chunks in order, assembles answer
// frames and carries out what the dispatch table says for each.
class ReceptionWorker : public QObject
{
    Q_OBJECT

public:
    explicit ReceptionWorker(DeviceLink& link) : link_(link) {}

    // Both arrive as queued calls, so a stop is handled after every chunk posted before it.
    void OnChunk(const QByteArray& chunk);
    void Stop();

private:
    void Handle(const QByteArray& frame);

    DeviceLink& link_;
    FrameAssembler assembler_;
};
