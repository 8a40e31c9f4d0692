#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

struct pg_conn;
struct pg_cancel;

// One limit for a whole write on a server, however its steps split it (the wait for the
// writers' turn, each statement's PREPARE and run): when it runs out, the server is asked
// to cancel whatever the connection runs then, from a thread of its own, so no statement
// needs its own timeout set and no wait outlasts the limit.
class WriteDeadline
{
public:
    WriteDeadline(pg_conn* connection, int limitMs);
    ~WriteDeadline(); // disarms it, and waits for a cancel under way
    WriteDeadline(const WriteDeadline&) = delete;
    WriteDeadline& operator=(const WriteDeadline&) = delete;

    // The limit ran out and the server was asked to cancel.
    bool Fired() const;

private:
    pg_cancel* cancel_;
    mutable std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    bool fired_ = false;
    std::thread thread_;
};
