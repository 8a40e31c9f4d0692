#include "app/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString InstanceGuard::DefaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

InstanceGuard::InstanceGuard(QString directory) : directory_(std::move(directory)) {}

InstanceGuard::~InstanceGuard()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString InstanceGuard::FilePath() const
{
    return QDir(directory_).filePath(lockName);
}

InstanceGuard::Outcome InstanceGuard::Acquire()
{
    if (fd_ >= 0)
        return Outcome::Owned;
    // Close-on-exec: a program started from here (the help viewer) must not inherit the
    // lock and keep it after this copy has ended. Read-only is enough for flock.
    const int fd =
        ::open(QFile::encodeName(FilePath()).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return Outcome::Unavailable;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd_ = fd;
        return Outcome::Owned;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Outcome::HeldElsewhere : Outcome::Unavailable;
}
