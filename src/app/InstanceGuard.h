#pragma once

#include <QString>

// Keeps a second copy of the program from running: an advisory lock on a file of a fixed
// name in the user's runtime directory. The kernel drops the lock when the process ends,
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

    // `XDG_RUNTIME_DIR`, or the temporary directory when that is not set.
    static QString DefaultDirectory();

    explicit InstanceGuard(QString directory = DefaultDirectory());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    Outcome Acquire();
    QString FilePath() const;

private:
    QString directory_;
    int fd_ = -1;
};
