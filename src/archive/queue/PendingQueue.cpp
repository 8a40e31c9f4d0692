#include "archive/queue/PendingQueue.h"

#include "archive/data/SubmissionJson.h"
#include "archive/store/StoreSql.h"

#include <QSqlQuery>
#include <QVariant>

using namespace StoreSql;

bool PendingQueue::AddPending(const QString& target, const ArchiveSubmission& submission,
                              const QString& reason)
{
    if (!store_.Open())
        return false;
    QSqlQuery query(store_.db_);
    // Meant for the archive last seen at `target`, when there is one.
    query.prepare(QStringLiteral(
        "INSERT INTO pending (target, uuid, submission, reason, archive) VALUES (?, ?, ?, ?, "
        "COALESCE((SELECT archive FROM archive_locations WHERE location = ?), '')) "
        "ON CONFLICT (target, uuid) DO UPDATE SET reason = excluded.reason"));
    query.addBindValue(target);
    query.addBindValue(submission.facts.uuid.toString(QUuid::WithoutBraces));
    query.addBindValue(QString::fromUtf8(SubmissionToJson(submission)));
    query.addBindValue(Text(reason));
    query.addBindValue(target);
    return store_.Exec(query, store_.target_.Display());
}

std::optional<QList<PendingSubmission>> PendingQueue::Pending(const QString& target,
                                                              const QString& archive)
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    // The archive's own (given, or the one last seen at `target`), under any name; those
    // of an archive not yet known, by name; all for neither. With the location the archive
    // was last seen at.
    query.prepare(QStringLiteral(
        "SELECT id, submission, reason, target, archive, COALESCE((SELECT location FROM "
        "archive_locations l WHERE l.archive = pending.archive ORDER BY seen DESC LIMIT 1), "
        "target) "
        "FROM pending WHERE (archive <> '' AND archive = COALESCE(NULLIF(?, ''), (SELECT "
        "archive FROM archive_locations WHERE location = ?), '')) OR (archive = '' AND "
        "target = ?) OR (? = '' AND ? = '') ORDER BY id"));
    for (const QString& value : {archive, target, target, archive, target})
        query.addBindValue(Text(value));
    if (!store_.Exec(query, store_.target_.Display()))
        return std::nullopt;
    QList<PendingSubmission> pending;
    while (query.next()) {
        std::optional<ArchiveSubmission> s = SubmissionFromJson(query.value(1).toByteArray());
        if (!s)
            continue; // never dropped: it stays in the file for inspection
        pending.append({query.value(0).toLongLong(), *s, query.value(2).toString(),
                        query.value(3).toString(), query.value(4).toString(),
                        query.value(5).toString()});
    }
    return pending;
}

bool PendingQueue::RememberLocation(const QString& location, const QString& archive)
{
    if (!store_.Open())
        return false;
    // Known already: nothing is written (and no writer waited for).
    QSqlQuery known(store_.db_);
    known.prepare(QStringLiteral("SELECT archive FROM archive_locations WHERE location = ?"));
    known.addBindValue(location);
    if (!store_.Exec(known, store_.target_.Display()))
        return false;
    if (known.next() && known.value(0).toString() == archive)
        return true;
    known.finish();
    if (!store_.BeginWrite())
        return false;
    QSqlQuery remember(store_.db_);
    remember.prepare(QStringLiteral(
        "INSERT INTO archive_locations (location, archive, seen) VALUES (?, ?, ?) "
        "ON CONFLICT (location) DO UPDATE SET archive = excluded.archive, seen = excluded.seen"));
    remember.addBindValue(location);
    remember.addBindValue(archive);
    remember.addBindValue(ArchiveTimeText(QDateTime::currentDateTimeUtc()));
    // What was kept for this location before its archive was known is that archive's.
    QSqlQuery claim(store_.db_);
    claim.prepare(
        QStringLiteral("UPDATE pending SET archive = ? WHERE target = ? AND archive = ''"));
    claim.addBindValue(archive);
    claim.addBindValue(location);
    if (!store_.Exec(remember, store_.target_.Display()) ||
        !store_.Exec(claim, store_.target_.Display())) {
        store_.Rollback();
        return false;
    }
    return store_.Commit();
}

bool PendingQueue::RemovePending(qint64 id)
{
    if (!store_.Open())
        return false;
    QSqlQuery query(store_.db_);
    query.prepare(QStringLiteral("DELETE FROM pending WHERE id = ?"));
    query.addBindValue(id);
    return store_.Exec(query, store_.target_.Display());
}

std::optional<int> PendingQueue::AttachPendingLimits(const QList<QUuid>& downloads,
                                                     const ThresholdTable& limits)
{
    if (downloads.isEmpty() || !limits.AnyKnown())
        return 0;
    if (!store_.Open() || !store_.BeginWrite())
        return std::nullopt;
    int attached = 0;
    for (const QUuid& uuid : downloads) {
        QSqlQuery select(store_.db_);
        select.prepare(QStringLiteral("SELECT id, submission FROM pending WHERE uuid = ?"));
        select.addBindValue(uuid.toString(QUuid::WithoutBraces));
        if (!store_.Exec(select, store_.target_.Display())) {
            store_.Rollback();
            return std::nullopt;
        }
        QList<std::pair<qint64, QByteArray>> changed;
        while (select.next()) {
            std::optional<ArchiveSubmission> s = SubmissionFromJson(select.value(1).toByteArray());
            if (!s)
                continue; // left as it is, for inspection
            bool given = false;
            for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
                if (!limits.IsKnown(g) || s->limits.IsKnown(g))
                    continue;
                s->limits.Group(g) = limits.Group(g);
                s->limits.MarkKnown(g);
                given = true;
            }
            if (given)
                changed.append({select.value(0).toLongLong(), SubmissionToJson(*s)});
        }
        select.finish();
        for (const auto& [id, json] : std::as_const(changed)) {
            QSqlQuery update(store_.db_);
            update.prepare(QStringLiteral("UPDATE pending SET submission = ? WHERE id = ?"));
            update.addBindValue(QString::fromUtf8(json));
            update.addBindValue(id);
            if (!store_.Exec(update, store_.target_.Display())) {
                store_.Rollback();
                return std::nullopt;
            }
            ++attached;
        }
    }
    if (!store_.Commit())
        return std::nullopt;
    return attached;
}

std::optional<QStringList> PendingQueue::WaitingFor(const QUuid& uuid)
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.prepare(QStringLiteral("SELECT archive FROM pending WHERE uuid = ?"));
    query.addBindValue(uuid.toString(QUuid::WithoutBraces));
    if (!store_.Exec(query, store_.target_.Display()))
        return std::nullopt;
    QStringList archives;
    while (query.next())
        archives << query.value(0).toString();
    return archives;
}

std::optional<QStringList> PendingQueue::UnknownPendingTargets()
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    if (!query.exec(QStringLiteral("SELECT DISTINCT target FROM pending WHERE archive = ''"))) {
        store_.Fail(store_.target_.Display(), query);
        return std::nullopt;
    }
    QStringList targets;
    while (query.next())
        targets << query.value(0).toString();
    return targets;
}
