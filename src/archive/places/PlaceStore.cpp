#include "archive/places/PlaceStore.h"

#include "archive/store/StoreSql.h"
#include "common/ProgramFacts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace {

// Ids go into statements as numbers written by the program, in lists of this many.
constexpr qsizetype kIdsPerStatement = 500;

QString IdList(const QList<qint64>& ids)
{
    QStringList texts;
    texts.reserve(ids.size());
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(QLatin1Char(','));
}

// The rank a verdict's name has in a job's worst verdict (0: none).
const QString kVerdictRank =
    QStringLiteral("CASE r.verdict WHEN 'Pass' THEN 1 WHEN 'Marginal' THEN 2 WHEN 'Over' THEN 3 "
                   "WHEN 'Fail' THEN 4 ELSE 0 END");

} // namespace

bool PlaceStore::Assign(const QList<qint64>& recordIds, const RecordPlace& place)
{
    QList<qint64> ids = recordIds;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QStringList sets;
    QVariantList values;
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const auto field = static_cast<RecordPlace::Field>(f);
        if (!place[field])
            continue;
        sets << PlaceFieldName(field) + QStringLiteral(" = ?");
        values << StoreSql::Text(*place[field]);
    }
    if (!store_.Open())
        return false;
    if (ids.isEmpty() || sets.isEmpty())
        return true;
    if (!store_.BeginWrite())
        return false;
    const QString what = store_.target_.Display();
    const QString now = ArchiveTimeText(QDateTime::currentDateTimeUtc());
    const QString by = store_.target_.IsServer() ? store_.login_ : LoginName();
    sets << QStringLiteral("assigned_at = ?") << QStringLiteral("assigned_by = ?");
    values << now << by;
    for (qsizetype first = 0; first < ids.size(); first += kIdsPerStatement) {
        const QList<qint64> chunk = ids.mid(first, kIdsPerStatement);
        const QString list = IdList(chunk);
        // Every record must be there before any is changed.
        QSqlQuery found(store_.db_);
        found.setForwardOnly(true);
        if (!found.exec(QStringLiteral("SELECT id FROM records WHERE id IN (%1)").arg(list))) {
            store_.Fail(what, found);
            store_.Rollback();
            return false;
        }
        QSet<qint64> there;
        while (found.next())
            there.insert(found.value(0).toLongLong());
        if (there.size() != chunk.size()) {
            QList<qint64> missing;
            for (qint64 id : chunk)
                if (!there.contains(id))
                    missing << id;
            store_.Rollback();
            return store_.Fail(
                what,
                QCoreApplication::translate("ArchiveStore", "no record %1; no place was assigned")
                    .arg(IdList(missing).replace(QLatin1Char(','), QLatin1String(", "))));
        }
        QSqlQuery add(store_.db_);
        add.prepare(QStringLiteral("INSERT INTO record_places (record_id, assigned_at, "
                                   "assigned_by) SELECT id, ?, ? FROM records WHERE id IN (%1) "
                                   "ON CONFLICT (record_id) DO NOTHING")
                        .arg(list));
        add.addBindValue(now);
        add.addBindValue(by);
        QSqlQuery update(store_.db_);
        update.prepare(QStringLiteral("UPDATE record_places SET %1 WHERE record_id IN (%2)")
                           .arg(sets.join(QStringLiteral(", ")), list));
        for (const QVariant& v : std::as_const(values))
            update.addBindValue(v);
        if (!store_.Exec(add, what) || !store_.Exec(update, what)) {
            store_.Rollback();
            return false;
        }
        // A server's row-level security lets a login change only the places it may (those
        // of records of its own downloads; a lead's, any): the others are not changed, and
        // nothing is.
        if (update.numRowsAffected() != chunk.size()) {
            store_.Rollback();
            return store_.Fail(what, QCoreApplication::translate(
                                         "ArchiveStore",
                                         "%1 of the records are not this login's to assign "
                                         "(they came with another login's downloads; a crew "
                                         "lead may assign them); no place was assigned")
                                         .arg(chunk.size() - update.numRowsAffected()));
        }
    }
    return store_.Commit();
}

std::optional<QList<PlaceChange>> PlaceStore::History(const QList<qint64>& recordIds)
{
    if (!store_.Open())
        return std::nullopt;
    QList<PlaceChange> changes;
    for (qsizetype first = 0; first < recordIds.size(); first += kIdsPerStatement) {
        QSqlQuery query(store_.db_);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT record_id, old_job, old_site, old_ont, "
                                       "old_pon_port, old_technician, job, site, ont, pon_port, "
                                       "technician, changed_at, changed_by FROM place_changes "
                                       "WHERE record_id IN (%1) ORDER BY record_id, id")
                            .arg(IdList(recordIds.mid(first, kIdsPerStatement))))) {
            store_.Fail(store_.target_.Display(), query);
            return std::nullopt;
        }
        while (query.next())
            changes.append({query.value(0).toLongLong(), StoreSql::PlaceOf(query, 1),
                            StoreSql::PlaceOf(query, 6), query.value(11).toString(),
                            query.value(12).toString()});
    }
    return changes;
}

std::optional<QList<qint64>> PlaceStore::RecordIdsOfDownload(qint64 downloadId)
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT record_id FROM download_records WHERE download_id = ? ORDER BY position"));
    query.addBindValue(downloadId);
    if (!store_.Exec(query, store_.target_.Display()))
        return std::nullopt;
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

std::optional<QList<qint64>> PlaceStore::RecordIdsAt(const QUuid& download,
                                                     const QList<int>& positions)
{
    if (!store_.Open())
        return std::nullopt;
    const QString what = store_.target_.Display();
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT l.position, l.record_id FROM download_records l JOIN "
                                 "downloads d ON d.id = l.download_id WHERE d.uuid = ?"));
    query.addBindValue(download.toString(QUuid::WithoutBraces));
    if (!store_.Exec(query, what))
        return std::nullopt;
    QHash<int, qint64> recordAt;
    while (query.next())
        recordAt.insert(query.value(0).toInt(), query.value(1).toLongLong());
    QList<qint64> ids;
    for (int position : positions) {
        const auto id = recordAt.constFind(position);
        if (id == recordAt.cend()) {
            store_.Fail(what, recordAt.isEmpty()
                                  ? QCoreApplication::translate("ArchiveStore",
                                                                "the download %1 is not archived")
                                        .arg(download.toString(QUuid::WithoutBraces))
                                  : QCoreApplication::translate(
                                        "ArchiveStore", "row %1 of the download %2 is not archived")
                                        .arg(position + 1)
                                        .arg(download.toString(QUuid::WithoutBraces)));
            return std::nullopt;
        }
        ids << *id;
    }
    return ids;
}

std::optional<QList<JobSummary>> PlaceStore::Jobs()
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT p.job, p.site, p.ont, COUNT(*), "
                                   "MIN(NULLIF(r.measured, '')), MAX(NULLIF(r.measured, '')), "
                                   "MAX(%1) FROM record_places p JOIN records r ON "
                                   "r.id = p.record_id WHERE p.job <> '' "
                                   "GROUP BY p.job, p.site, p.ont")
                        .arg(kVerdictRank))) {
        store_.Fail(store_.target_.Display(), query);
        return std::nullopt;
    }
    QMap<QString, JobSummary> jobs;
    QMap<QString, int> worstRank;
    while (query.next()) {
        const QString name = query.value(0).toString();
        JobSummary& job = jobs[name];
        job.job = name;
        for (const auto& [list, column] : {std::pair{&job.sites, 1}, std::pair{&job.onts, 2}}) {
            const QString text = query.value(column).toString();
            if (!text.isEmpty() && !list->contains(text))
                list->append(text);
        }
        job.records += query.value(3).toInt();
        const QString first = query.value(4).toString();
        const QString last = query.value(5).toString();
        if (!first.isEmpty() && (job.firstMeasured.isEmpty() || first < job.firstMeasured))
            job.firstMeasured = first;
        if (last > job.lastMeasured)
            job.lastMeasured = last;
        int& rank = worstRank[name];
        rank = std::max(rank, query.value(6).toInt());
        if (rank > 0)
            job.worst = static_cast<Verdict>(rank - 1);
    }
    QList<JobSummary> list = jobs.values();
    for (JobSummary& job : list) {
        job.sites.sort();
        job.onts.sort();
    }
    // The jobs measured last come first.
    std::stable_sort(list.begin(), list.end(), [](const JobSummary& a, const JobSummary& b) {
        return a.lastMeasured > b.lastMeasured;
    });
    return list;
}

std::optional<std::array<QStringList, RecordPlace::kFields>> PlaceStore::RecentPlaceTexts(int limit)
{
    if (!store_.Open())
        return std::nullopt;
    std::array<QStringList, RecordPlace::kFields> texts;
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const QString column = PlaceFieldName(static_cast<RecordPlace::Field>(f));
        QSqlQuery query(store_.db_);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT %1 FROM record_places WHERE %1 <> '' GROUP BY %1 "
                                     "ORDER BY MAX(assigned_at) DESC, %1 LIMIT ?")
                          .arg(column));
        query.addBindValue(limit);
        if (!store_.Exec(query, store_.target_.Display()))
            return std::nullopt;
        while (query.next())
            texts[static_cast<size_t>(f)] << query.value(0).toString();
    }
    return texts;
}

std::optional<QList<PlacedRecord>> PlaceStore::PlacedRecords()
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT d.uuid, l.position, p.job, p.site, p.ont, p.pon_port, p.technician "
            "FROM record_places p JOIN records r ON r.id = p.record_id "
            "JOIN downloads d ON d.id = r.first_download_id "
            "JOIN download_records l ON l.download_id = d.id AND l.record_id = r.id"))) {
        store_.Fail(store_.target_.Display(), query);
        return std::nullopt;
    }
    QList<PlacedRecord> placed;
    while (query.next()) {
        PlacedRecord p{QUuid::fromString(query.value(0).toString()), query.value(1).toInt(),
                       StoreSql::PlaceOf(query, 2)};
        if (p.place != RecordPlace())
            placed << p;
    }
    return placed;
}

std::optional<QList<RecordPlace>> PlaceStore::PlacesOfDownload(const QUuid& download)
{
    if (!store_.Open())
        return std::nullopt;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT p.job, p.site, p.ont, p.pon_port, p.technician FROM download_records l "
        "JOIN downloads d ON d.id = l.download_id "
        "LEFT JOIN record_places p ON p.record_id = l.record_id "
        "WHERE d.uuid = ? ORDER BY l.position"));
    query.addBindValue(download.toString(QUuid::WithoutBraces));
    if (!store_.Exec(query, store_.target_.Display()))
        return std::nullopt;
    QList<RecordPlace> places;
    while (query.next())
        places << StoreSql::PlaceOf(query, 0);
    return places;
}
