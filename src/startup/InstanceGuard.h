#pragma once

#include <QString>
#include <sys/types.h>

// Keeps a second copy of the program from running: an advisory lock on a file of a fixed
// name in a directory of the user's own. The kernel drops the lock when the process ends,
// however it ends.
class InstanceGuard
{
public:
    enum class Outcome {
        Owned,         // this process is the running copy
        HeldElsewhere, // another copy holds the lock
        Unavailable,   // the lock file cannot be used; the program runs unguarded
    };

    inline static const QString lockName = QStringLiteral("Ardenvale Orlix_TestDesk");

    // `XDG_RUNTIME_DIR`, or else FallbackDirectory for this user.
    static QString DefaultDirectory();
    // The directory of `uid`'s own in the temporary directory ("qx390d-<uid>"), where the
    // lock lives when there is no runtime directory: another user's copy has a lock of its
    // own, and no other user can place a file or a link in it.
    static QString FallbackDirectory(uid_t uid);

    explicit InstanceGuard(QString directory = DefaultDirectory());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // The directory is made (0700) when it is missing. It must be a directory, not a
    // symbolic link, owned by this user and closed to others; the lock file in it must not
    // be a symbolic link either. Otherwise the lock is Unavailable.
    Outcome Acquire();
    QString FilePath() const;

private:
    QString directory_;
    int fd_ = -1;
};
