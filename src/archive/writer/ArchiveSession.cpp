#include "archive/writer/ArchiveSession.h"

#include "archive/queue/PendingQueue.h"
#include "archive/writer/ServerInterrupt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ArchiveSession::ArchiveSession(const ArchiveTarget& target, const QString& localPath,
                               std::shared_ptr<ServerInterrupt> interrupt)
    : store_(target), localPath_(localPath), interrupt_(std::move(interrupt))
{
    if (interrupt_)
        store_.SetConnectionWatch([i = interrupt_](const QVariant& handle) { i->Watch(handle); });
}

ArchiveSession::~ArchiveSession() = default;

void ArchiveSession::PrepareJournal()
{
    if (!store_.Target().IsServer()) {
        store_.Open();
        return;
    }
    QString error;
    if (QFileInfo::exists(localPath_))
        Local(&error);
}

ArchiveStore* ArchiveSession::Local(QString* error)
{
    if (!local_) {
        local_ = std::make_unique<ArchiveStore>(ArchiveTarget::SqliteFile(localPath_));
    }
    if (!local_->Open()) {
        *error = local_->Error();
        return nullptr;
    }
    return local_.get();
}

QString ArchiveSession::WhyNotWritten() const
{
    // A login without the right can never write: said so, not "next connection".
    if (store_.ErrorCode() == QLatin1String("42501"))
        return QCoreApplication::translate("ArchiveStore",
                                           "the login %1 lacks the %2 right there (%3)")
            .arg(store_.Login(), store_.FailedStatement(), store_.Error());
    return store_.Error();
}

QString ArchiveSession::KeptMessage(const QString& error) const
{
    if (store_.ErrorCode() == QLatin1String("42501"))
        return QCoreApplication::translate("ArchiveStore",
                                           "The archive could not be written: %1. The records "
                                           "are kept on this PC (%2) until the login is given "
                                           "that right, or they are sent to another archive "
                                           "with qx390d-cli archive pending --send-to.")
            .arg(error, QDir::toNativeSeparators(localPath_));
    return QCoreApplication::translate("ArchiveStore",
                                       "The archive could not be written: %1. The records are "
                                       "kept on this PC (%2) and will be sent at the next "
                                       "successful connection.")
        .arg(error, QDir::toNativeSeparators(localPath_));
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
    // The archive reached under this name, and what waits for it under any name.
    const QString location = store_.Target().Display();
    const std::optional<QString> identity = store_.Identity();
    if (!identity) {
        *error = WhyNotWritten();
        return std::nullopt;
    }
    if (!PendingQueue(*local).RememberLocation(location, *identity) ||
        !ClaimSameConnection(*local, *identity)) {
        *error = local->Error();
        return std::nullopt;
    }
    const std::optional<QList<PendingSubmission>> pending =
        PendingQueue(*local).Pending(location, *identity);
    if (!pending) {
        *error = local->Error();
        return std::nullopt;
    }
    int delivered = 0;
    for (const PendingSubmission& p : *pending) {
        if (interrupt_ && interrupt_->Fired()) {
            *error = QCoreApplication::translate("ArchiveStore", "the program is ending");
            return std::nullopt;
        }
        // Written (or found written by an earlier, unconfirmed delivery), then marked
        // delivered: a download is never stored twice, whatever step is interrupted.
        const std::optional<ArchiveWriteResult> result = store_.Write(p.submission);
        if (!result) {
            *error = WhyNotWritten();
            // Why it waits, for `archive pending`.
            PendingQueue(*local).AddPending(p.target, p.submission, *error);
            return std::nullopt;
        }
        if (!PendingQueue(*local).RemovePending(p.id)) {
            *error = local->Error();
            return std::nullopt;
        }
        deliveredResults_.insert(p.submission.facts.uuid, *result);
        ++delivered;
    }
    return delivered;
}

ArchiveSession::Outcome ArchiveSession::Journal(const ArchiveSubmission& submission)
{
    Outcome outcome;
    if (!store_.Target().IsServer()) {
        outcome.result = store_.Write(submission);
        if (!outcome.result)
            outcome.error =
                QCoreApplication::translate("ArchiveStore", "The archive could not be written: %1")
                    .arg(store_.Error());
        return outcome;
    }
    QString localError;
    ArchiveStore* local = Local(&localError);
    if (local && PendingQueue(*local).AddPending(store_.Target().Display(), submission, QString()))
        outcome.queued = true;
    else
        outcome.error = local ? local->Error() : localError;
    return outcome;
}

ArchiveSession::Outcome ArchiveSession::Deliver(const ArchiveSubmission& submission)
{
    Outcome outcome;
    QString error;
    const int delivered = DeliverPending(&error).value_or(0);
    // Delivered now, or by an earlier call of this session that found it waiting.
    const auto written = deliveredResults_.constFind(submission.facts.uuid);
    if (written != deliveredResults_.cend()) {
        outcome.result = *written;
        deliveredResults_.erase(written);
        outcome.delivered = qMax(0, delivered - 1);
        return outcome;
    }
    outcome.delivered = delivered;
    if (error.isEmpty())
        error = WaitsForAnother(submission.facts.uuid);
    if (error.isEmpty()) {
        // No longer waiting: another delivery (another thread or program) took it; the
        // archive recognises it by its UUID.
        if ((outcome.result = store_.Write(submission)))
            return outcome;
        error = WhyNotWritten();
    }
    // Why it waits, for `archive pending`, also when the archive was not even reached.
    QString localError;
    if (ArchiveStore* local = Local(&localError))
        PendingQueue(*local).AddPending(store_.Target().Display(), submission, error);
    outcome.queued = true;
    outcome.error = KeptMessage(error);
    return outcome;
}

bool ArchiveSession::ClaimSameConnection(ArchiveStore& local, const QString& identity)
{
    // Kept before this PC ever reached the archive, under another spelling of the same
    // server, port, database and login: it is this archive's too.
    const std::optional<QStringList> unknown = PendingQueue(local).UnknownPendingTargets();
    if (!unknown)
        return false;
    if (unknown->isEmpty())
        return true;
    const std::optional<QString> mine = ServerConnectionKey(store_.Target());
    if (!mine)
        return true;
    for (const QString& spelling : *unknown) {
        QString error;
        const std::optional<ArchiveTarget> other = ChooseArchiveTarget(spelling, &error);
        if (other && ServerConnectionKey(*other) == mine &&
            !PendingQueue(local).RememberLocation(spelling, identity))
            return false;
    }
    return true;
}

QString ArchiveSession::WaitsForAnother(const QUuid& uuid)
{
    QString error;
    ArchiveStore* local = QFileInfo::exists(localPath_) ? Local(&error) : nullptr;
    if (!local)
        return error;
    const std::optional<QStringList> archives = PendingQueue(*local).WaitingFor(uuid);
    if (!archives)
        return local->Error();
    const std::optional<QString> identity = store_.Identity();
    if (!identity)
        return WhyNotWritten();
    // Kept for the archive that was at this location before it was made anew: it goes
    // there, or is sent elsewhere on purpose, never into the new one by chance.
    for (const QString& archive : *archives)
        if (!archive.isEmpty() && archive != *identity)
            return QCoreApplication::translate("ArchiveStore",
                                               "it was kept for the archive %1, which is no "
                                               "longer at %2")
                .arg(archive, store_.Target().Display());
    return {};
}

std::optional<int> ArchiveSession::AttachLimits(const QList<QUuid>& downloads,
                                                const ThresholdTable& limits, QString* error)
{
    if (store_.Target().IsServer() && QFileInfo::exists(localPath_)) {
        ArchiveStore* local = Local(error);
        if (!local)
            return std::nullopt;
        if (!PendingQueue(*local).AttachPendingLimits(downloads, limits)) {
            *error = local->Error();
            return std::nullopt;
        }
    }
    const std::optional<int> attached = store_.AttachLimits(downloads, limits);
    if (!attached)
        *error = store_.Error();
    return attached;
}

ArchiveSession::Outcome ArchiveSession::Submit(const ArchiveSubmission& submission,
                                               const std::function<void()>& journaledHook)
{
    const Outcome journaled = Journal(submission);
    if (journaledHook)
        journaledHook();
    if (journaled.queued)
        return Deliver(submission);
    if (!store_.Target().IsServer())
        return journaled;
    // Not kept on this PC: the server is tried all the same.
    const QString localError = journaled.error;
    Outcome outcome;
    if (interrupt_ && interrupt_->Fired())
        outcome.error = QCoreApplication::translate("ArchiveStore", "the program is ending");
    else if ((outcome.result = store_.Write(submission)))
        return outcome;
    outcome.error = QCoreApplication::translate("ArchiveStore",
                                                "The archive could not be written: %1. The "
                                                "records could not be kept on this PC either: %2")
                        .arg(outcome.error.isEmpty() ? store_.Error() : outcome.error, localError);
    return outcome;
}

bool TestArchiveConnection(const ArchiveTarget& target, QString* message)
{
    ArchiveSession session(target);
    ArchiveStore& store = session.Store();
    const std::optional<qint64> records = store.CountRecords();
    if (!records) {
        *message = store.Error();
        return false;
    }
    // A connection that works sends what waits on this PC for it.
    QString error;
    const int delivered = session.DeliverPending(&error).value_or(0);
    *message = QCoreApplication::translate("ArchiveStore", "%1: archive schema %2, %3 records")
                   .arg(target.Display())
                   .arg(store.SchemaVersion().value_or(0))
                   .arg(*records);
    if (delivered > 0)
        *message += QCoreApplication::translate(
            "ArchiveStore", "; sent %n download(s) kept on this PC", nullptr, delivered);
    else if (!error.isEmpty())
        *message += QCoreApplication::translate("ArchiveStore",
                                                "; what is kept on this PC could not be sent: %1")
                        .arg(error);
    return true;
}
