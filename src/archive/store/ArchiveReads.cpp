#include "archive/store/ArchiveStore.h"
#include "archive/store/StoreSql.h"
#include "verdicts/Verdict.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>
#include <limits>

using namespace StoreSql;

namespace {

// Where each power column's limits stand in ThresholdGroup::limits (1310, 1490, 1577, 1270).
constexpr int kFirstLimitOfColumn[kPowerColumns] = {9, 0, 3, 6};

void SetColumnLimits(ThresholdTable& table, int group, const std::array<float, 12>& values)
{
    auto& limits = table.Group(group).limits;
    table.Group(group).number = static_cast<quint8>(group);
    for (int c = 0; c < kPowerColumns; ++c)
        for (int k = 0; k < 3; ++k)
            limits[static_cast<size_t>(kFirstLimitOfColumn[c] + k)] =
                values[static_cast<size_t>(c * 3 + k)];
    table.MarkKnown(group);
}

// A stored limit; NULL is an unknown one.
float LimitOf(const QVariant& value)
{
    return value.isNull() ? std::numeric_limits<float>::quiet_NaN() : value.toFloat();
}

} // namespace

std::optional<QList<ArchivedRecord>>
ArchiveStore::Records(const ArchiveFilter& filter, const std::optional<RecordListKey>& after,
                      int limit, RecordLimits limits)
{
    QStringList where;
    QVariantList values;
    if (after) {
        where << QStringLiteral("(r.measured, r.id) < (?, ?)");
        values << after->measured << after->id;
    }
    return SelectRecords(filter, where, values, limit, limits);
}

std::optional<QList<ArchivedRecord>>
ArchiveStore::NewRecords(const ArchiveFilter& filter, qint64 aboveId,
                         const std::optional<RecordListKey>& through)
{
    QStringList where{QStringLiteral("r.id > ?")};
    QVariantList values{aboveId};
    if (through) {
        where << QStringLiteral("(r.measured, r.id) >= (?, ?)");
        values << through->measured << through->id;
    }
    return SelectRecords(filter, where, values, std::nullopt, RecordLimits::Read);
}

std::optional<qint64> ArchiveStore::LastRecordId()
{
    const std::optional<QVariant> value =
        Scalar(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM records"));
    if (!value)
        return std::nullopt;
    return value->toLongLong();
}

std::optional<QList<qint64>> ArchiveStore::DownloadsWithNote(const QString& text)
{
    // Compared here, case-folded, rather than by the engine: SQLite's LOWER knows ASCII
    // only, a server's depends on its locale. Downloads are few beside their records.
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, note FROM downloads WHERE note <> ''"))) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    const QString folded = text.toCaseFolded();
    QList<qint64> ids;
    while (query.next()) {
        if (query.value(1).toString().toCaseFolded().contains(folded))
            ids << query.value(0).toLongLong();
    }
    return ids;
}

std::optional<bool> ArchiveStore::FilterClause(const ArchiveFilter& filter, QStringList& where,
                                               QVariantList& values)
{
    if (!filter.since.isEmpty()) {
        where << QStringLiteral("r.measured >= ?");
        values << filter.since;
    }
    if (!filter.until.isEmpty()) {
        where << QStringLiteral("r.measured <= ? AND r.measured <> ''");
        values << filter.until;
    }
    if (filter.group) {
        where << QStringLiteral("r.group_no = ?");
        values << *filter.group;
    }
    if (filter.verdict) {
        if (filter.verdict->isEmpty()) {
            where << QStringLiteral("r.verdict IS NULL");
        } else {
            where << QStringLiteral("r.verdict = ?");
            values << *filter.verdict;
        }
    }
    if (!filter.note.isEmpty()) {
        const std::optional<QList<qint64>> downloads = DownloadsWithNote(filter.note);
        if (!downloads)
            return std::nullopt;
        if (downloads->isEmpty())
            return false;
        QStringList ids;
        for (qint64 id : *downloads)
            ids << QString::number(id);
        // The records of those downloads, gathered once: each record of the range is then a
        // look-up in that set, not a search of its links.
        where << QStringLiteral("r.id IN (SELECT l.record_id FROM download_records l WHERE "
                                "l.download_id IN (%1))")
                     .arg(ids.join(QLatin1Char(',')));
    }
    // A job and an ONT are looked up whole, as written, so that their indexes serve; by a
    // part, the texts that hold it are gathered first, as for the note.
    for (const auto& [text, column] :
         {std::pair{&filter.job, "job"}, std::pair{&filter.ont, "ont"}}) {
        if (text->isEmpty())
            continue;
        QStringList texts{*text};
        if (filter.byPart) {
            const std::optional<QStringList> holding =
                PlaceTextsHolding(QLatin1String(column), *text);
            if (!holding)
                return std::nullopt;
            if (holding->isEmpty())
                return false;
            texts = *holding;
        }
        QStringList marks;
        for (const QString& t : std::as_const(texts)) {
            marks << QStringLiteral("?");
            values << t;
        }
        where << QStringLiteral("p.%1 IN (%2)").arg(QLatin1String(column), marks.join(u','));
    }
    return true;
}

std::optional<QStringList> ArchiveStore::PlaceTextsHolding(const QString& column,
                                                           const QString& text)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT DISTINCT %1 FROM record_places WHERE %1 <> ''").arg(column))) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    const QString folded = text.toCaseFolded();
    QStringList texts;
    while (query.next()) {
        const QString t = query.value(0).toString();
        if (t.toCaseFolded().contains(folded))
            texts << t;
    }
    return texts;
}

std::optional<QList<ArchivedRecord>>
ArchiveStore::SelectRecords(const ArchiveFilter& filter, QStringList where, QVariantList values,
                            std::optional<int> limit, RecordLimits limits)
{
    if (!Open())
        return std::nullopt;
    const std::optional<bool> any = FilterClause(filter, where, values);
    if (!any)
        return std::nullopt;
    if (!*any)
        return QList<ArchivedRecord>();
    const bool readLimits = limits == RecordLimits::Read;
    QString limitColumns;
    if (readLimits) {
        for (const QString& c : kLimitColumns.split(QStringLiteral(", ")))
            limitColumns += QStringLiteral(", s.") + c;
        limitColumns += QStringLiteral(", s.id");
    }
    const QString order = QStringLiteral("ORDER BY r.measured DESC, r.id DESC");
    const QString filtered =
        where.isEmpty() ? QString()
                        : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND ")) + u' ';
    // A page's records are found first by their ids, on the indexes alone (each filter's
    // columns are in one; a server's index-only scan), and only they are read whole: a
    // filter that passes over many records before its page is full reads none of those.
    const QString from =
        limit ? QStringLiteral("(SELECT r.id FROM records r LEFT JOIN record_places p ON "
                               "p.record_id = r.id %1%2 LIMIT ?) k JOIN records r ON r.id = k.id")
                    .arg(filtered, order)
              : QStringLiteral("records r");
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral(
            "SELECT r.id, r.text_no, r.text_p1, r.text_p2, r.text_p3, r.text_p4, r.text_group, "
            "r.text_time, r.verdict, r.group_no, r.measured, d.id, d.ended_at, d.note, "
            "r.p1, r.p2, r.p3, r.p4, r.low1, r.low2, r.low3, r.low4, p.job, p.site, p.ont, "
            "p.pon_port, p.technician, r.meter%1 "
            "FROM %2 JOIN downloads d ON d.id = r.first_download_id "
            "LEFT JOIN record_places p ON p.record_id = r.id %3%4%5")
            .arg(limitColumns, from,
                 readLimits ? QStringLiteral("LEFT JOIN limit_sets s ON s.id = r.limit_set_id ")
                            : QString(),
                 limit ? QString() : filtered, order));
    for (const QVariant& v : std::as_const(values))
        query.addBindValue(v);
    if (limit)
        query.addBindValue(*limit);
    if (!Exec(query, target_.Display()))
        return std::nullopt;
    QList<ArchivedRecord> records;
    // A download brings many records: its time is read once (a date-time's parse costs more
    // than the rest of a row).
    QHash<qint64, QDateTime> downloadTimes;
    while (query.next()) {
        ArchivedRecord r;
        r.id = query.value(0).toLongLong();
        r.texts.reserve(7);
        for (int c = 1; c <= 7; ++c)
            r.texts << query.value(c).toString();
        if (!query.value(8).isNull())
            r.verdict = query.value(8).toString();
        if (!query.value(9).isNull())
            r.group = query.value(9).toInt();
        r.measured = query.value(10).toString();
        r.downloadId = query.value(11).toLongLong();
        auto time = downloadTimes.find(r.downloadId);
        if (time == downloadTimes.end())
            time = downloadTimes.insert(
                r.downloadId, QDateTime::fromString(query.value(12).toString(), Qt::ISODateWithMs));
        r.downloadedAt = *time;
        r.note = query.value(13).toString();
        for (int p = 0; p < 4; ++p) {
            const QVariant power = query.value(14 + p);
            if (!power.isNull())
                r.powers[static_cast<size_t>(p)] = power.toDouble();
            r.low[static_cast<size_t>(p)] = query.value(18 + p).toInt() != 0;
        }
        r.place = StoreSql::PlaceOf(query, 22);
        r.meter = query.value(27).toString();
        if (readLimits && r.group && !query.value(40).isNull()) {
            std::array<float, 12> values{};
            for (int k = 0; k < 12; ++k)
                values[static_cast<size_t>(k)] = LimitOf(query.value(28 + k));
            SetColumnLimits(r.limits, *r.group, values);
        }
        records.append(std::move(r));
    }
    return records;
}

std::optional<QList<ArchivedDownload>> ArchiveStore::Downloads()
{
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT d.id, %1, (SELECT COUNT(*) FROM download_records l "
                                   "WHERE l.download_id = d.id), d.server_login FROM downloads d "
                                   "ORDER BY d.ended_at DESC, d.id DESC")
                        .arg(kDownloadColumns))) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    QList<ArchivedDownload> downloads;
    while (query.next()) {
        ArchivedDownload d;
        d.id = query.value(0).toLongLong();
        DownloadFacts& f = d.facts;
        f.uuid = QUuid::fromString(query.value(1).toString());
        d.uuid = f.uuid;
        f.fromFile = query.value(2).toString() == QLatin1String("file");
        f.when = QDateTime::fromString(query.value(3).toString(), Qt::ISODateWithMs);
        f.port = query.value(4).toString();
        f.identity.serial = query.value(5).toString();
        if (!query.value(6).isNull())
            f.identity.vendor = static_cast<quint16>(query.value(6).toUInt());
        if (!query.value(7).isNull())
            f.identity.product = static_cast<quint16>(query.value(7).toUInt());
        f.host = query.value(8).toString();
        f.login = query.value(9).toString();
        f.sourceFile = query.value(10).toString();
        f.expected = query.value(11).toInt();
        f.arrived = query.value(12).toInt();
        f.completed = query.value(13).toInt() != 0;
        f.ending = DownloadEndingOf(query.value(14).toString()).value_or(DownloadEnding::Stalled);
        d.newRecords = query.value(15).toInt();
        f.note = query.value(16).toString();
        d.note = f.note;
        d.records = query.value(17).toInt();
        d.serverLogin = query.value(18).toString();
        downloads.append(d);
    }
    QSqlQuery notes(db_);
    notes.setForwardOnly(true);
    if (!notes.exec(QStringLiteral("SELECT download_id, changed_at, changed_by, old_note FROM "
                                   "note_changes ORDER BY download_id, id"))) {
        Fail(target_.Display(), notes);
        return std::nullopt;
    }
    QHash<qint64, QList<NoteChange>> earlier;
    while (notes.next())
        earlier[notes.value(0).toLongLong()].append(
            {notes.value(1).toString(), notes.value(2).toString(), notes.value(3).toString()});
    for (ArchivedDownload& d : downloads)
        d.earlierNotes = earlier.value(d.id);
    return downloads;
}

std::optional<QList<ArchiveSubmission>> ArchiveStore::Submissions()
{
    std::optional<QList<ArchivedDownload>> downloads = Downloads();
    if (!downloads)
        return std::nullopt;
    QList<ArchiveSubmission> submissions;
    for (auto d = downloads->crbegin(); d != downloads->crend(); ++d) {
        ArchiveSubmission s;
        s.facts = d->facts;
        QSqlQuery rows(db_);
        rows.setForwardOnly(true);
        rows.prepare(QStringLiteral(
            "SELECT r.text_no, r.text_p1, r.text_p2, r.text_p3, r.text_p4, r.text_group, "
            "r.text_time FROM download_records l JOIN records r ON r.id = l.record_id "
            "WHERE l.download_id = ? ORDER BY l.position"));
        rows.addBindValue(d->id);
        if (!Exec(rows, target_.Display()))
            return std::nullopt;
        while (rows.next()) {
            QStringList texts;
            for (int c = 0; c < 7; ++c)
                texts << rows.value(c).toString();
            s.rows.append(texts);
        }
        // The limits the download brought: those of the records it archived first.
        QSqlQuery limits(db_);
        limits.setForwardOnly(true);
        limits.prepare(QStringLiteral("SELECT DISTINCT s.group_no, %1 FROM records r "
                                      "JOIN limit_sets s ON s.id = r.limit_set_id "
                                      "WHERE r.first_download_id = ?")
                           .arg(kLimitColumns));
        limits.addBindValue(d->id);
        if (!Exec(limits, target_.Display()))
            return std::nullopt;
        while (limits.next()) {
            const int group = limits.value(0).toInt();
            if (!ThresholdTable::IsGroupNumber(group))
                continue;
            std::array<float, 12> values{};
            for (int k = 0; k < 12; ++k)
                values[static_cast<size_t>(k)] = LimitOf(limits.value(1 + k));
            SetColumnLimits(s.limits, group, values);
        }
        submissions.append(s);
    }
    return submissions;
}

std::optional<qint64> ArchiveStore::CountRecords()
{
    const std::optional<QVariant> value = Scalar(QStringLiteral("SELECT COUNT(*) FROM records"));
    if (!value)
        return std::nullopt;
    return value->toLongLong();
}
