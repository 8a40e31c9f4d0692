#include "archive/ArchiveStore.h"
#include "archive/StoreSql.h"
#include "archivedata/RecordKey.h"
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
    QSqlQuery select(db_);
    select.prepare(QStringLiteral("SELECT id FROM limit_sets WHERE signature = ?"));
    select.addBindValue(signature);
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

std::optional<ArchiveWriteResult>
ArchiveStore::WriteInTransaction(const ArchiveSubmission& submission)
{
    const DownloadFacts& f = submission.facts;
    const QString what = target_.Display();
    ArchiveWriteResult result;

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
        return std::nullopt;
    if (!download.next()) {
        // Delivered before (a pending download whose first delivery was not confirmed).
        QSqlQuery known(db_);
        known.prepare(QStringLiteral("SELECT id FROM downloads WHERE uuid = ?"));
        known.addBindValue(f.uuid.toString(QUuid::WithoutBraces));
        if (!Exec(known, what))
            return std::nullopt;
        result.alreadyArchived = true;
        result.downloadId = known.next() ? known.value(0).toLongLong() : 0;
        return result;
    }
    result.downloadId = download.value(0).toLongLong();
    download.finish();

    // The rows, each its own record: identical rows of one download are different
    // measurements (several all-LOW readings in one minute). The n-th of them (n from 2)
    // has "#n" after its key's time, so a later download of the same rows finds the
    // same records and adds none.
    QList<DecodedRow> rows;
    QHash<QString, int> rowOfKey;
    QHash<QString, int> occurrences;
    QStringList times;
    QSet<QString> timeSeen;
    for (const QStringList& texts : submission.rows) {
        DecodedRow row = DecodeRow(texts, f.fromFile ? QString() : f.identity.serial);
        const int occurrence = ++occurrences[KeyHash(row.key)];
        if (occurrence > 1)
            row.key.time += QStringLiteral("#%1").arg(occurrence);
        rowOfKey.insert(KeyHash(row.key), static_cast<int>(rows.size()));
        if (!timeSeen.contains(row.key.time)) {
            timeSeen.insert(row.key.time);
            times << row.key.time;
        }
        rows.append(std::move(row));
    }

    // The limits in force, for the groups the rows use, and each row's verdict by them.
    QHash<int, qint64> limitSet;
    for (const DecodedRow& row : std::as_const(rows)) {
        if (!row.group || limitSet.contains(*row.group) || !submission.limits.IsKnown(*row.group))
            continue;
        const std::optional<qint64> id = LimitSetId(*row.group, submission.limits);
        if (!id)
            return std::nullopt;
        limitSet.insert(*row.group, *id);
    }

    // The archived records that share a measurement time with a row.
    const int perStatement = dialect_.rowsPerStatement;
    QList<Existing> existing;
    QSqlQuery select(db_);
    qsizetype prepared = 0;
    for (qsizetype first = 0; first < times.size(); first += perStatement) {
        const QStringList chunk = times.mid(first, perStatement);
        if (chunk.size() != prepared) {
            prepared = chunk.size();
            select.prepare(QStringLiteral("SELECT id, %1, limit_set_id FROM records "
                                          "WHERE key_time IN %2")
                               .arg(kKeyColumns, Placeholders(static_cast<int>(chunk.size()))));
        }
        for (const QString& t : chunk)
            select.addBindValue(Text(t));
        if (!Exec(select, what))
            return std::nullopt;
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
    QList<qint64> recordOfRow(rows.size(), 0);
    QList<int> toInsert;
    QList<qint64> claimed;
    QList<qint64> needLimits;
    for (int r = 0; r < rows.size(); ++r) {
        const RecordKey& key = rows[r].key;
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
            toInsert << r;
            continue;
        }
        recordOfRow[r] = match->id;
        if (claim)
            claimed << match->id;
        if (!match->hasLimits && rows[r].group && limitSet.contains(*rows[r].group))
            needLimits << r;
    }

    for (qint64 id : std::as_const(claimed)) {
        QSqlQuery update(db_);
        update.prepare(QStringLiteral("UPDATE records SET meter = ? WHERE id = ? AND meter = ''"));
        update.addBindValue(Text(f.identity.serial));
        update.addBindValue(id);
        if (!Exec(update, what))
            return std::nullopt;
    }
    // A record first archived without its group's limits takes those of this download.
    for (int r : std::as_const(needLimits)) {
        const RowVerdict verdict = JudgeRow(rows[r].texts, submission.limits);
        QSqlQuery update(db_);
        update.prepare(QStringLiteral("UPDATE records SET limit_set_id = ?, verdict = ? WHERE id = "
                                      "? AND limit_set_id IS NULL"));
        update.addBindValue(limitSet.value(*rows[r].group));
        update.addBindValue(verdict.record ? QVariant(VerdictName(*verdict.record)) : NullText());
        update.addBindValue(recordOfRow[r]);
        if (!Exec(update, what))
            return std::nullopt;
    }

    QSqlQuery insert(db_);
    prepared = 0;
    for (qsizetype first = 0; first < toInsert.size(); first += perStatement) {
        const QList<int> chunk = toInsert.mid(first, perStatement);
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
            const DecodedRow& row = rows[r];
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
            const bool judged = row.group && limitSet.contains(*row.group);
            insert.addBindValue(judged ? QVariant(limitSet.value(*row.group)) : NullInt());
            const RowVerdict verdict = JudgeRow(row.texts, submission.limits);
            insert.addBindValue(judged && verdict.record ? QVariant(VerdictName(*verdict.record))
                                                         : NullText());
            insert.addBindValue(result.downloadId);
        }
        if (!Exec(insert, what))
            return std::nullopt;
        while (insert.next()) {
            RecordKey key;
            key.time = insert.value(1).toString();
            key.group = insert.value(2).toString();
            for (int p = 0; p < 4; ++p)
                key.powers[static_cast<size_t>(p)] = insert.value(3 + p).toString();
            key.meter = insert.value(7).toString();
            const int r = rowOfKey.value(KeyHash(key), -1);
            if (r >= 0) {
                recordOfRow[r] = insert.value(0).toLongLong();
                ++result.newRecords;
            }
        }
    }
    // Writers take turns, so a conflict means another program's record appeared in the
    // meantime all the same (a server archive shared without the lock): link to it.
    for (int r : std::as_const(toInsert)) {
        if (recordOfRow[r] != 0)
            continue;
        QSqlQuery select(db_);
        select.prepare(QStringLiteral("SELECT id FROM records WHERE key_time = ? AND key_group = ? "
                                      "AND key_p1 = ? AND key_p2 = ? AND key_p3 = ? AND key_p4 = ? "
                                      "AND meter = ?"));
        const RecordKey& key = rows[r].key;
        select.addBindValue(Text(key.time));
        select.addBindValue(Text(key.group));
        for (const QString& p : key.powers)
            select.addBindValue(Text(p));
        select.addBindValue(Text(key.meter));
        if (!Exec(select, what))
            return std::nullopt;
        if (!select.next()) {
            Fail(what, QCoreApplication::translate("ArchiveStore",
                                                   "a record could neither be stored nor found"));
            return std::nullopt;
        }
        recordOfRow[r] = select.value(0).toLongLong();
    }

    // The links, in the download's order, each record once.
    QList<QPair<qint64, int>> links;
    QSet<qint64> linked;
    for (int position = 0; position < rows.size(); ++position) {
        const qint64 id = recordOfRow[position];
        if (!linked.contains(id)) {
            linked.insert(id);
            links.append({id, position});
        }
    }
    QSqlQuery link(db_);
    prepared = 0;
    for (qsizetype first = 0; first < links.size(); first += perStatement * 4) {
        const auto chunk = links.mid(first, perStatement * 4);
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
            return std::nullopt;
    }
    result.linkedRecords = static_cast<int>(links.size()) - result.newRecords;

    QSqlQuery count(db_);
    count.prepare(QStringLiteral("UPDATE downloads SET new_records = ? WHERE id = ?"));
    count.addBindValue(result.newRecords);
    count.addBindValue(result.downloadId);
    if (!Exec(count, what))
        return std::nullopt;
    return result;
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
