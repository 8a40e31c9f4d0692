#include "startup/SecondCopyCall.h"

#include <QDir>
#include <QLocalSocket>
#include <unistd.h>

namespace {

const QByteArray kRequest = QByteArrayLiteral("come forward\n");
// Only a copy that has stopped answering takes this long; the second copy then just ends.
constexpr int kAnswerMs = 1000;

} // namespace

QString SecondCopyCall::SocketPath(const QString& directory)
{
    return QDir(directory).filePath(QStringLiteral("qx390d-%1.call").arg(::getuid()));
}

bool SecondCopyCall::Listen(const QString& directory)
{
    const QString path = SocketPath(directory);
    // This copy holds the lock, so a socket left there is a crashed copy's.
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SecondCopyCall::OnConnection,
            Qt::UniqueConnection);
    return server_.listen(path);
}

void SecondCopyCall::OnConnection()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine(kRequest.size() + 1) == kRequest)
                Q_EMIT Asked();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // The request may have arrived with the connection.
        read();
    }
}

bool SecondCopyCall::Ask(const QString& directory)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath(directory));
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    if (socket.write(kRequest) != kRequest.size())
        return false;
    // Leaves once the request is written.
    socket.disconnectFromServer();
    return socket.state() == QLocalSocket::UnconnectedState ||
           socket.waitForDisconnected(kAnswerMs);
}
