#include "archive/store/WriteDeadline.h"

#include <chrono>
#include <libpq-fe.h>

WriteDeadline::WriteDeadline(pg_conn* connection, int limitMs)
    : cancel_(connection ? PQgetCancel(connection) : nullptr)
{
    if (!cancel_)
        return;
    thread_ = std::thread([this, limitMs] {
        std::unique_lock lock(mutex_);
        if (disarmed_.wait_for(lock, std::chrono::milliseconds(limitMs), [this] { return done_; }))
            return;
        fired_ = true;
        char reason[256];
        PQcancel(cancel_, reason, sizeof reason);
    });
}

WriteDeadline::~WriteDeadline()
{
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    disarmed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (cancel_)
        PQfreeCancel(cancel_);
}

bool WriteDeadline::Fired() const
{
    const std::lock_guard lock(mutex_);
    return fired_;
}
