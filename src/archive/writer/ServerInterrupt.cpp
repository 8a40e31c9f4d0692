#include "archive/writer/ServerInterrupt.h"

#include "archive/store/StoreSql.h"

#include <libpq-fe.h>
#include <sys/socket.h>

void ServerInterrupt::Watch(const QVariant& handle)
{
    const QMutexLocker lock(&mutex_);
    connection_ = nullptr;
    // Other drivers' (SQLite) have nothing to cut.
    connection_ = StoreSql::ServerConnection(handle);
    if (fired_.load())
        CutLocked();
}

void ServerInterrupt::Fire()
{
    const QMutexLocker lock(&mutex_);
    fired_.store(true);
    CutLocked();
}

void ServerInterrupt::CutLocked()
{
    if (!connection_)
        return;
    // PQsocket is -1 once libpq has dropped the connection itself.
    const int socket = PQsocket(connection_);
    if (socket >= 0)
        ::shutdown(socket, SHUT_RDWR);
}
