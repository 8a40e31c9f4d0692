#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// How a second copy of the program brings the running one forward: the running copy
// listens on a local socket of the user's beside the single-copy lock, and a second copy
// that finds the lock held calls it before it tells the operator and ends.
class SecondCopyCall : public QObject
{
    Q_OBJECT

public:
    // "<directory>/qx390d-<uid>.call": one per user even in a shared directory.
    static QString SocketPath(const QString& directory);

    // The running copy: listens in `directory`; false when the socket cannot be made (the
    // program then runs on without it).
    bool Listen(const QString& directory);

    // A second copy: asks the copy listening in `directory` to come forward; false when none
    // answers within a second.
    static bool Ask(const QString& directory);

Q_SIGNALS:
    // A second copy asked: the window is to be raised and activated.
    void Asked();

private:
    void OnConnection();

    QLocalServer server_;
};
