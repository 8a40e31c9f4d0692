#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Turns the received chunks into whole answer frames. A candidate is checked only once
// all 31 bytes are in; bytes before a 55 F0 start are dropped; a candidate whose check
// bytes fail loses its first byte and the search goes on; bytes after a frame stay for
// the next one. What is held never exceeds one incomplete candidate between calls.
class FrameAssembler
{
public:
    // Appends the chunk and returns every frame it completes, in order, 31 bytes each.
    QList<QByteArray> Feed(QByteArrayView chunk);
    qsizetype Pending() const { return pending_.size(); }

private:
    QByteArray pending_;
};
