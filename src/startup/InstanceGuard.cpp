#include "startup/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Closes a descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace

QString InstanceGuard::DefaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return FallbackDirectory(::geteuid());
}

QString InstanceGuard::FallbackDirectory(uid_t uid)
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("qx390d-%1").arg(uid));
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
    // Made for this user alone when missing. Whoever made it, it is used only when it is
    // no link and no one else's: in a shared temporary directory anyone may have put a
    // directory or a link by that name first.
    const QByteArray directory = QFile::encodeName(directory_);
    ::mkdir(directory.constData(), 0700);
    const Descriptor folder(
        ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    if (folder.Get() < 0 || ::fstat(folder.Get(), &status) != 0 || status.st_uid != ::geteuid() ||
        (status.st_mode & 077) != 0)
        return Outcome::Unavailable;
    // Close-on-exec: a program started from here (the help viewer) must not inherit the
    // lock and keep it after this copy has ended. Read-only is enough for flock.
    Descriptor lock(::openat(folder.Get(), QFile::encodeName(lockName).constData(),
                             O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.Get() < 0)
        return Outcome::Unavailable;
    int result;
    do {
        result = ::flock(lock.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd_ = lock.Release();
        return Outcome::Owned;
    }
    return errno == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unavailable;
}
