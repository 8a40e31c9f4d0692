#include "archiving/ServerInterrupt.h"

#include <libpq-fe.h>
#include <sys/socket.h>

void ServerInterrupt::Watch(const QVariant& handle)
{
    const QMutexLocker lock(&mutex_);
    connection_ = nullptr;
    // The QPSQL driver's handle (its type named after the struct or its typedef); other
    // drivers' (SQLite) have nothing to cut.
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0))
        connection_ = *static_cast<PGconn* const*>(handle.data());
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
