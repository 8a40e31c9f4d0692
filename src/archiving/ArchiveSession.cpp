#include "archiving/ArchiveSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ArchiveSession::ArchiveSession(const ArchiveTarget& target, const QString& localPath)
    : store_(target), localPath_(localPath)
{
}

ArchiveStore* ArchiveSession::Local(QString* error)
{
    if (!local_)
        local_ = std::make_unique<ArchiveStore>(ArchiveTarget::SqliteFile(localPath_));
    if (!local_->Open()) {
        *error = local_->Error();
        return nullptr;
    }
    return local_.get();
}

std::optional<int> ArchiveSession::DeliverPending(QString* error)
{
    if (!store_.Target().IsServer())
        return 0;
    // Nothing can wait when the local file does not exist: it is not created for this.
    if (!QFileInfo::exists(localPath_))
        return 0;
    ArchiveStore* local = Local(error);
    if (!local)
        return std::nullopt;
    const std::optional<QList<PendingSubmission>> pending =
        local->Pending(store_.Target().Display());
    if (!pending) {
        *error = local->Error();
        return std::nullopt;
    }
    int delivered = 0;
    for (const PendingSubmission& p : *pending) {
        // Written (or found written by an earlier, unconfirmed delivery), then removed: a
        // download is never stored twice, whatever step is interrupted.
        if (!store_.Write(p.submission)) {
            *error = store_.Error();
            return std::nullopt;
        }
        if (!local->RemovePending(p.id)) {
            *error = local->Error();
            return std::nullopt;
        }
        ++delivered;
    }
    return delivered;
}

ArchiveSession::Outcome ArchiveSession::Submit(const ArchiveSubmission& submission)
{
    Outcome outcome;
    QString error;
    if (store_.Target().IsServer()) {
        if (const std::optional<int> delivered = DeliverPending(&error))
            outcome.delivered = *delivered;
    }
    if (error.isEmpty())
        outcome.result = store_.Write(submission);
    if (outcome.result)
        return outcome;
    if (error.isEmpty())
        error = store_.Error();
    if (!store_.Target().IsServer()) {
        outcome.error =
            QCoreApplication::translate("ArchiveStore", "The archive could not be written: %1")
                .arg(error);
        return outcome;
    }
    QString localError;
    ArchiveStore* local = Local(&localError);
    if (local && local->AddPending(store_.Target().Display(), submission, error)) {
        outcome.queued = true;
        outcome.error = QCoreApplication::translate(
                            "ArchiveStore",
                            "The archive could not be written: %1. The records are kept on this "
                            "PC (%2) and will be sent at the next successful connection.")
                            .arg(error, QDir::toNativeSeparators(localPath_));
        return outcome;
    }
    if (local)
        localError = local->Error();
    outcome.error = QCoreApplication::translate("ArchiveStore",
                                                "The archive could not be written: %1. The "
                                                "records could not be kept on this PC either: %2")
                        .arg(error, localError);
    return outcome;
}

bool TestArchiveConnection(const ArchiveTarget& target, QString* message)
{
    ArchiveStore store(target);
    const std::optional<qint64> records = store.CountRecords();
    if (!records) {
        *message = store.Error();
        return false;
    }
    *message = QCoreApplication::translate("ArchiveStore", "%1: archive schema %2, %3 records")
                   .arg(target.Display())
                   .arg(store.SchemaVersion().value_or(0))
                   .arg(*records);
    return true;
}
