#include "archive/data/RecordKey.h"
#include "archive/store/ArchiveStore.h"
#include "archive/store/StoreSql.h"
#include "common/NumberText.h"
#include "common/ProgramFacts.h"
#include "verdicts/Verdict.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <cmath>

using namespace StoreSql;

namespace {

const QString kRecordColumns = QStringLiteral(
    "key_time, key_group, key_p1, key_p2, key_p3, key_p4, meter, text_no, text_p1, text_p2, "
    "text_p3, text_p4, text_group, text_time, p1, p2, p3, p4, low1, low2, low3, low4, "
    "group_no, measured, limit_set_id, verdict, first_download_id");

constexpr int kRecordColumnCount = 27;

const QString kKeyColumns =
    QStringLiteral("key_time, key_group, key_p1, key_p2, key_p3, key_p4, meter");

QVariant NullInt()
{
    return QVariant(QMetaType::fromType<qlonglong>());
}
QVariant NullDouble()
{
    return QVariant(QMetaType::fromType<double>());
}
QVariant NullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

QString Placeholders(int count)
{
    QString text = QStringLiteral("(");
    for (int i = 0; i < count; ++i)
        text += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return text + QLatin1Char(')');
}

QString KeyHash(const RecordKey& key)
{
    return QStringList{key.time,      key.group,     key.powers[0], key.powers[1],
                       key.powers[2], key.powers[3], key.meter}
        .join(QChar(0x1f));
}

// The limits of `group` in power-column order.
std::array<float, 12> ColumnLimits(const ThresholdTable& table, int group)
{
    std::array<float, 12> values{};
    for (int c = 0; c < kPowerColumns; ++c) {
        const ChannelLimits l = *LimitsFor(table, group, kFirstPowerColumn + c);
        values[static_cast<size_t>(c * 3)] = l.over;
        values[static_cast<size_t>(c * 3 + 1)] = l.pass;
        values[static_cast<size_t>(c * 3 + 2)] = l.fail;
    }
    return values;
}

QString Signature(int group, const std::array<float, 12>& values)
{
    QStringList parts{QString::number(group)};
    for (float v : values)
        parts << ShortestFloatText(v);
    return parts.join(QLatin1Char(' '));
}

struct Existing
{
    qint64 id = 0;
    RecordKey key;
    bool hasLimits = false;
};

} // namespace

std::optional<qint64> ArchiveStore::LimitSetId(int group, const ThresholdTable& limits)
{
    const std::array<float, 12> values = ColumnLimits(limits, group);
    const QString signature = Signature(group, values);
    QSqlQuery insert(db_);
    insert.prepare(QStringLiteral("INSERT INTO limit_sets (signature, group_no, %1) VALUES %2 "
                                  "ON CONFLICT (signature) DO NOTHING")
                       .arg(kLimitColumns, Placeholders(14)));
    insert.addBindValue(signature);
    insert.addBindValue(group);
    // A limit the meter sent as no number is unknown: NULL, and no verdict by it.
    for (float v : values)
        insert.addBindValue(std::isnan(v) ? NullDouble() : QVariant(static_cast<double>(v)));
    if (!Exec(insert, target_.Display()))
        return std::nullopt;
    // Found by its numbers, not by the signature: a server writes its own signature, and no
    // row is taken whose numbers are not the ones in force.
    QStringList same{QStringLiteral("group_no = ?")};
    for (const QString& column : kLimitColumns.split(QStringLiteral(", ")))
        same << column + QStringLiteral(" IS NOT DISTINCT FROM ?");
    QSqlQuery select(db_);
    select.prepare(QStringLiteral("SELECT id FROM limit_sets WHERE ") +
                   same.join(QStringLiteral(" AND ")));
    select.addBindValue(group);
    for (float v : values)
        select.addBindValue(std::isnan(v) ? NullDouble() : QVariant(static_cast<double>(v)));
    if (!Exec(select, target_.Display()))
        return std::nullopt;
    if (!select.next()) {
        Fail(target_.Display(), QCoreApplication::translate(
                                    "ArchiveStore", "a limit set vanished while it was written"));
        return std::nullopt;
    }
    return select.value(0).toLongLong();
}

std::optional<ArchiveWriteResult> ArchiveStore::Write(const ArchiveSubmission& submission)
{
    if (!Open())
        return std::nullopt;
    if (!BeginWrite())
        return std::nullopt;
    std::optional<ArchiveWriteResult> result = WriteInTransaction(submission);
    if (!result || result->alreadyArchived) {
        Rollback();
        return result;
    }
    if (!Commit())
        return std::nullopt;
    return result;
}

// What a download's write has found out so far, step by step.
struct ArchiveStore::WritePlan
{
    QList<DecodedRow> rows;
    QHash<QString, int> rowOfKey; // a row by its key
    QStringList times;            // the rows' key times, each once
    QHash<int, qint64> limitSet;  // the limit set in force of each group the rows use
    QList<qint64> recordOfRow;    // each row's record; 0 while not known
    QList<int> toInsert;          // the rows that are new records
};

std::optional<ArchiveWriteResult>
ArchiveStore::WriteInTransaction(const ArchiveSubmission& submission)
{
    ArchiveWriteResult result;
    if (!InsertDownload(submission.facts, result))
        return std::nullopt;
    if (result.alreadyArchived)
        return result;
    WritePlan plan = PlanRows(submission);
    if (!ClaimLimitSets(plan, submission.limits) || !MatchExisting(plan, submission) ||
        !InsertNewRecords(plan, submission, result) || !LinkRecords(plan, result))
        return std::nullopt;
    return result;
}

bool ArchiveStore::InsertDownload(const DownloadFacts& f, ArchiveWriteResult& result)
{
    const QString what = target_.Display();
    QSqlQuery download(db_);
    download.prepare(QStringLiteral("INSERT INTO downloads (%1) VALUES %2 "
                                    "ON CONFLICT (uuid) DO NOTHING RETURNING id")
                         .arg(kDownloadColumns, Placeholders(16)));
    download.addBindValue(f.uuid.toString(QUuid::WithoutBraces));
    download.addBindValue(f.fromFile ? QStringLiteral("file") : QStringLiteral("meter"));
    download.addBindValue(ArchiveTimeText(f.when));
    download.addBindValue(Text(f.port));
    download.addBindValue(Text(f.identity.serial));
    download.addBindValue(f.identity.vendor ? QVariant(qlonglong(*f.identity.vendor)) : NullInt());
    download.addBindValue(f.identity.product ? QVariant(qlonglong(*f.identity.product))
                                             : NullInt());
    download.addBindValue(Text(f.host));
    download.addBindValue(Text(f.login));
    download.addBindValue(Text(f.sourceFile));
    download.addBindValue(f.expected);
    download.addBindValue(f.arrived);
    download.addBindValue(f.completed ? 1 : 0);
    download.addBindValue(DownloadEndingName(f.ending));
    download.addBindValue(0);
    download.addBindValue(Text(f.note));
    if (!Exec(download, what))
        return false;
    if (download.next()) {
        result.downloadId = download.value(0).toLongLong();
        return true;
    }
    // Delivered before (a pending download whose first delivery was not confirmed).
    QSqlQuery known(db_);
    known.prepare(QStringLiteral("SELECT id FROM downloads WHERE uuid = ?"));
    known.addBindValue(f.uuid.toString(QUuid::WithoutBraces));
    if (!Exec(known, what))
        return false;
    result.alreadyArchived = true;
    result.downloadId = known.next() ? known.value(0).toLongLong() : 0;
    return true;
}

ArchiveStore::WritePlan ArchiveStore::PlanRows(const ArchiveSubmission& submission)
{
    // The rows, each its own record: identical rows of one download are different
    // measurements (several all-LOW readings in one minute). The n-th of them (n from 2)
    // has "#n" after its key's time, so a later download of the same rows finds the
    // same records and adds none.
    const DownloadFacts& f = submission.facts;
    WritePlan plan;
    QHash<QString, int> occurrences;
    QSet<QString> timeSeen;
    for (const QStringList& texts : submission.rows) {
        DecodedRow row = DecodeRow(texts, f.fromFile ? QString() : f.identity.serial);
        const int occurrence = ++occurrences[KeyHash(row.key)];
        if (occurrence > 1)
            row.key.time += QStringLiteral("#%1").arg(occurrence);
        plan.rowOfKey.insert(KeyHash(row.key), static_cast<int>(plan.rows.size()));
        if (!timeSeen.contains(row.key.time)) {
            timeSeen.insert(row.key.time);
            plan.times << row.key.time;
        }
        plan.rows.append(std::move(row));
    }
    plan.recordOfRow.fill(0, plan.rows.size());
    return plan;
}

bool ArchiveStore::ClaimLimitSets(WritePlan& plan, const ThresholdTable& limits)
{
    // The limits in force, for the groups the rows use.
    for (const DecodedRow& row : std::as_const(plan.rows)) {
        if (!row.group || plan.limitSet.contains(*row.group) || !limits.IsKnown(*row.group))
            continue;
        const std::optional<qint64> id = LimitSetId(*row.group, limits);
        if (!id)
            return false;
        plan.limitSet.insert(*row.group, *id);
    }
    return true;
}

bool ArchiveStore::MatchExisting(WritePlan& plan, const ArchiveSubmission& submission)
{
    const QString what = target_.Display();
    // The archived records that share a measurement time with a row.
    const int perStatement = dialect_.rowsPerStatement;
    QList<Existing> existing;
    QSqlQuery select(db_);
    qsizetype prepared = 0;
    for (qsizetype first = 0; first < plan.times.size(); first += perStatement) {
        const QStringList chunk = plan.times.mid(first, perStatement);
        if (chunk.size() != prepared) {
            prepared = chunk.size();
            select.prepare(QStringLiteral("SELECT id, %1, limit_set_id FROM records "
                                          "WHERE key_time IN %2")
                               .arg(kKeyColumns, Placeholders(static_cast<int>(chunk.size()))));
        }
        for (const QString& t : chunk)
            select.addBindValue(Text(t));
        if (!Exec(select, what))
            return false;
        while (select.next()) {
            Existing e;
            e.id = select.value(0).toLongLong();
            e.key.time = select.value(1).toString();
            e.key.group = select.value(2).toString();
            for (int p = 0; p < 4; ++p)
                e.key.powers[static_cast<size_t>(p)] = select.value(3 + p).toString();
            e.key.meter = select.value(7).toString();
            e.hasLimits = !select.value(8).isNull();
            existing.append(e);
        }
    }

    // Found again, claimed, or new. A download's record matches the same meter's; failing
    // that it claims an imported one (no meter known) with the same values, which from
    // then on carries this meter's serial. A record whose meter is not known matches any.
    QList<qint64> claimed;
    QList<int> needLimits;
    for (int r = 0; r < plan.rows.size(); ++r) {
        const RecordKey& key = plan.rows[r].key;
        const Existing* match = nullptr;
        bool claim = false;
        for (const Existing& e : std::as_const(existing)) {
            if (!e.key.SameValues(key))
                continue;
            if (!key.meter.isEmpty()) {
                if (e.key.meter == key.meter) {
                    match = &e;
                    claim = false;
                    break;
                }
                if (e.key.meter.isEmpty() && !match) {
                    match = &e;
                    claim = true;
                }
            } else if (!match || (e.key.meter.isEmpty() && !match->key.meter.isEmpty())) {
                match = &e;
            }
        }
        if (!match) {
            plan.toInsert << r;
            continue;
        }
        plan.recordOfRow[r] = match->id;
        if (claim)
            claimed << match->id;
        if (!match->hasLimits && plan.rows[r].group && plan.limitSet.contains(*plan.rows[r].group))
            needLimits << r;
    }

    for (qint64 id : std::as_const(claimed)) {
        QSqlQuery update(db_);
        update.prepare(QStringLiteral("UPDATE records SET meter = ? WHERE id = ? AND meter = ''"));
        update.addBindValue(Text(submission.facts.identity.serial));
        update.addBindValue(id);
        if (!Exec(update, what))
            return false;
    }
    // A record first archived without its group's limits takes those of this download.
    for (int r : std::as_const(needLimits)) {
        const RowVerdict verdict = JudgeRow(plan.rows[r].texts, submission.limits);
        QSqlQuery update(db_);
        update.prepare(QStringLiteral("UPDATE records SET limit_set_id = ?, verdict = ? WHERE id = "
                                      "? AND limit_set_id IS NULL"));
        update.addBindValue(plan.limitSet.value(*plan.rows[r].group));
        update.addBindValue(verdict.record ? QVariant(VerdictName(*verdict.record)) : NullText());
        update.addBindValue(plan.recordOfRow[r]);
        if (!Exec(update, what))
            return false;
    }
    return true;
}

bool ArchiveStore::InsertNewRecords(WritePlan& plan, const ArchiveSubmission& submission,
                                    ArchiveWriteResult& result)
{
    const QString what = target_.Display();
    const int perStatement = dialect_.rowsPerStatement;
    QSqlQuery insert(db_);
    qsizetype prepared = 0;
    for (qsizetype first = 0; first < plan.toInsert.size(); first += perStatement) {
        const QList<int> chunk = plan.toInsert.mid(first, perStatement);
        if (chunk.size() != prepared) {
            prepared = chunk.size();
            QStringList values;
            for (qsizetype i = 0; i < chunk.size(); ++i)
                values << Placeholders(kRecordColumnCount);
            insert.prepare(
                QStringLiteral("INSERT INTO records (%1) VALUES %2 ON CONFLICT DO NOTHING "
                               "RETURNING id, %3")
                    .arg(kRecordColumns, values.join(QStringLiteral(", ")), kKeyColumns));
        }
        for (int r : chunk) {
            const DecodedRow& row = plan.rows[r];
            insert.addBindValue(Text(row.key.time));
            insert.addBindValue(Text(row.key.group));
            for (const QString& p : row.key.powers)
                insert.addBindValue(Text(p));
            insert.addBindValue(Text(row.key.meter));
            for (const QString& t : row.texts)
                insert.addBindValue(Text(t));
            for (const auto& p : row.powers)
                insert.addBindValue(p ? QVariant(*p) : NullDouble());
            for (bool low : row.low)
                insert.addBindValue(low ? 1 : 0);
            insert.addBindValue(row.group ? QVariant(*row.group) : NullInt());
            insert.addBindValue(Text(row.measured));
            const bool judged = row.group && plan.limitSet.contains(*row.group);
            insert.addBindValue(judged ? QVariant(plan.limitSet.value(*row.group)) : NullInt());
            const RowVerdict verdict = JudgeRow(row.texts, submission.limits);
            insert.addBindValue(judged && verdict.record ? QVariant(VerdictName(*verdict.record))
                                                         : NullText());
            insert.addBindValue(result.downloadId);
        }
        if (!Exec(insert, what))
            return false;
        while (insert.next()) {
            RecordKey key;
            key.time = insert.value(1).toString();
            key.group = insert.value(2).toString();
            for (int p = 0; p < 4; ++p)
                key.powers[static_cast<size_t>(p)] = insert.value(3 + p).toString();
            key.meter = insert.value(7).toString();
            const int r = plan.rowOfKey.value(KeyHash(key), -1);
            if (r >= 0) {
                plan.recordOfRow[r] = insert.value(0).toLongLong();
                ++result.newRecords;
            }
        }
    }
    // Writers take turns, so a conflict means another program's record appeared in the
    // meantime all the same (a server archive shared without the lock): link to it.
    for (int r : std::as_const(plan.toInsert)) {
        if (plan.recordOfRow[r] != 0)
            continue;
        QSqlQuery select(db_);
        select.prepare(QStringLiteral("SELECT id FROM records WHERE key_time = ? AND key_group = ? "
                                      "AND key_p1 = ? AND key_p2 = ? AND key_p3 = ? AND key_p4 = ? "
                                      "AND meter = ?"));
        const RecordKey& key = plan.rows[r].key;
        select.addBindValue(Text(key.time));
        select.addBindValue(Text(key.group));
        for (const QString& p : key.powers)
            select.addBindValue(Text(p));
        select.addBindValue(Text(key.meter));
        if (!Exec(select, what))
            return false;
        if (!select.next())
            return Fail(what, QCoreApplication::translate(
                                  "ArchiveStore", "a record could neither be stored nor found"));
        plan.recordOfRow[r] = select.value(0).toLongLong();
    }
    return true;
}

bool ArchiveStore::LinkRecords(const WritePlan& plan, ArchiveWriteResult& result)
{
    const QString what = target_.Display();
    // The links, in the download's order, each record once.
    QList<QPair<qint64, int>> links;
    QSet<qint64> linked;
    for (int position = 0; position < plan.rows.size(); ++position) {
        const qint64 id = plan.recordOfRow[position];
        if (!linked.contains(id)) {
            linked.insert(id);
            links.append({id, position});
        }
    }
    const int perStatement = dialect_.rowsPerStatement * 4;
    QSqlQuery link(db_);
    qsizetype prepared = 0;
    for (qsizetype first = 0; first < links.size(); first += perStatement) {
        const auto chunk = links.mid(first, perStatement);
        if (chunk.size() != prepared) {
            prepared = chunk.size();
            QStringList values;
            for (qsizetype i = 0; i < chunk.size(); ++i)
                values << Placeholders(3);
            link.prepare(
                QStringLiteral("INSERT INTO download_records (download_id, record_id, position) "
                               "VALUES %1 ON CONFLICT DO NOTHING")
                    .arg(values.join(QStringLiteral(", "))));
        }
        for (const auto& [id, position] : chunk) {
            link.addBindValue(result.downloadId);
            link.addBindValue(id);
            link.addBindValue(position);
        }
        if (!Exec(link, what))
            return false;
    }
    result.linkedRecords = static_cast<int>(links.size()) - result.newRecords;

    QSqlQuery count(db_);
    count.prepare(QStringLiteral("UPDATE downloads SET new_records = ? WHERE id = ?"));
    count.addBindValue(result.newRecords);
    count.addBindValue(result.downloadId);
    return Exec(count, what);
}

bool ArchiveStore::SetNote(qint64 downloadId, const QString& note)
{
    if (!Open() || !BeginWrite())
        return false;
    // On a server the archive's trigger keeps the note it replaces; a file has one user,
    // who is named by the PC's login.
    if (!target_.IsServer()) {
        QSqlQuery history(db_);
        history.prepare(QStringLiteral(
            "INSERT INTO note_changes (download_id, changed_at, changed_by, old_note) "
            "SELECT id, ?, ?, note FROM downloads WHERE id = ? AND note <> ?"));
        history.addBindValue(ArchiveTimeText(QDateTime::currentDateTimeUtc()));
        history.addBindValue(LoginName());
        history.addBindValue(downloadId);
        history.addBindValue(Text(note));
        if (!Exec(history, target_.Display())) {
            Rollback();
            return false;
        }
    }
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("UPDATE downloads SET note = ? WHERE id = ?"));
    query.addBindValue(Text(note));
    query.addBindValue(downloadId);
    if (!Exec(query, target_.Display())) {
        Rollback();
        return false;
    }
    if (query.numRowsAffected() < 1) {
        // Row-level security hides another login's download from UPDATE without an error.
        QSqlQuery owner(db_);
        owner.prepare(
            QStringLiteral("SELECT server_login, session_user FROM downloads WHERE id = ?"));
        owner.addBindValue(downloadId);
        const bool found = target_.IsServer() && owner.exec() && owner.next();
        Rollback();
        if (found)
            return Fail(target_.Display(),
                        QCoreApplication::translate(
                            "ArchiveStore", "download %1 was archived by the server login "
                                            "'%2'; only that login changes its note, not '%3' "
                                            "(the administrator, as the owner, can)")
                            .arg(downloadId)
                            .arg(owner.value(0).toString(), owner.value(1).toString()));
        return Fail(
            target_.Display(),
            QCoreApplication::translate("ArchiveStore", "there is no download %1").arg(downloadId));
    }
    return Commit();
}
