#pragma once

#include <QMutex>
#include <QVariant>
#include <atomic>

struct pg_conn;

// Ends, from any thread, the wait of a thread on its server connection: the program quits,
// and a write that waits for the server's lock or answer must not keep it. The socket is
// shut down under the waiting thread, whose statement then fails at once; the server undoes
// the transaction that never committed. Once fired, every later connection is cut as it
// opens, so nothing waits for the server again.
class ServerInterrupt
{
public:
    // From the thread that owns the connection (ArchiveStore::SetConnectionWatch): the
    // driver's handle when a connection opens, an empty one before it closes.
    void Watch(const QVariant& handle);
    // From any thread.
    void Fire();
    bool Fired() const { return fired_.load(); }

private:
    void CutLocked();

    QMutex mutex_;
    pg_conn* connection_ = nullptr;
    std::atomic<bool> fired_{false};
};
