#include "archive/ArchiveStore.h"

#include "archivedata/RecordKey.h"
#include "archivedata/SubmissionJson.h"
#include "common/NumberText.h"
#include "common/ProgramFacts.h"
#include "serverlocation/PostgresLocation.h"
#include "verdicts/Verdict.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <cmath>
#include <limits>

namespace {

// How long an SQLite writer waits for another one before the archive counts as locked.
// Writers queue for each other, and another program's download, synced to a busy disk, may
// hold the lock for seconds; readers of a WAL file never wait. Writing happens off the UI
// thread, so the wait delays no one.
constexpr int kBusyTimeoutMs = 20000;
// SQLite's result code for a file another connection holds.
const QString kSqliteBusy = QStringLiteral("5");
// PostgreSQL's code for a right the login lacks (a grant, a row-level security policy).
const QString kInsufficientPrivilege = QStringLiteral("42501");
// How long a server may take to accept a connection.
constexpr int kConnectTimeoutS = 5;
// How long a server write may wait: for the writers' lock, for any one statement, for an
// unanswered packet. A write that runs out stays kept on this PC.
constexpr int kServerWaitMs = 10000;
// How long the server lets one of the program's sessions sit inside a transaction doing
// nothing (a process stopped, a laptop suspended) before it ends it and frees the lock.
constexpr int kIdleInTransactionMs = 5000;

QAtomicInteger<quint64> connectionCounter;

const QString kRecordColumns = QStringLiteral(
    "key_time, key_group, key_p1, key_p2, key_p3, key_p4, meter, text_no, text_p1, text_p2, "
    "text_p3, text_p4, text_group, text_time, p1, p2, p3, p4, low1, low2, low3, low4, "
    "group_no, measured, limit_set_id, verdict, first_download_id");
constexpr int kRecordColumnCount = 27;
const QString kKeyColumns =
    QStringLiteral("key_time, key_group, key_p1, key_p2, key_p3, key_p4, meter");
// The limit columns in the table's power order (1270, 1310, 1490, 1577 nm), each Over,
// Pass, Fail.
const QString kLimitColumns = QStringLiteral(
    "ont1270_over, ont1270_pass, ont1270_fail, ont1310_over, ont1310_pass, ont1310_fail, "
    "olt1490_over, olt1490_pass, olt1490_fail, olt1577_over, olt1577_pass, olt1577_fail");
const QString kDownloadColumns = QStringLiteral(
    "uuid, source, ended_at, port, usb_serial, usb_vendor, usb_product, host, login, "
    "source_file, expected, arrived, completed, ending, new_records, note");

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

// Qt binds a null QString as SQL NULL; an empty text is stored as ''.
QString Text(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
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

QString Signature(int group, const std::array<float, 12>& values)
{
    QStringList parts{QString::number(group)};
    for (float v : values)
        parts << ShortestFloatText(v);
    return parts.join(QLatin1Char(' '));
}

QString UtcText(const QDateTime& when)
{
    return (when.isValid() ? when : QDateTime::currentDateTimeUtc())
        .toUTC()
        .toString(Qt::ISODateWithMs);
}

QString ReasonOf(const QSqlError& error)
{
    QString reason = error.databaseText().trimmed();
    if (reason.isEmpty())
        reason = error.driverText().trimmed();
    return reason.simplified();
}

struct Existing
{
    qint64 id = 0;
    RecordKey key;
    bool hasLimits = false;
};

} // namespace

ArchiveStore::ArchiveStore(const ArchiveTarget& target)
    : target_(target), dialect_(ArchiveDialect::For(target.engine)),
      connectionName_(QStringLiteral("qx390d-archive-%1").arg(++connectionCounter)),
      busyTimeoutMs_(kBusyTimeoutMs)
{
}

ArchiveStore::~ArchiveStore()
{
    Close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void ArchiveStore::SetConnectionWatch(std::function<void(const QVariant&)> watch)
{
    watch_ = std::move(watch);
}

bool ArchiveStore::IsOpen() const
{
    return ready_ && db_.isOpen();
}

void ArchiveStore::Close()
{
    ready_ = false;
    if (db_.isValid() && db_.isOpen() && watch_)
        watch_(QVariant());
    if (db_.isValid())
        db_.close();
}

bool ArchiveStore::Fail(const QString& what, const QString& reason)
{
    error_ = QStringLiteral("%1: %2").arg(what, reason);
    errorCode_.clear();
    failedStatement_.clear();
    return false;
}

bool ArchiveStore::Fail(const QString& what, const QSqlQuery& query)
{
    QString reason = ReasonOf(query.lastError());
    // The server's reason names the right (the table); the role that holds it is the
    // program's to name. (The archive's own rules, a record filled in once, raise another
    // code and say why themselves.)
    if (target_.IsServer() && query.lastError().nativeErrorCode() == kInsufficientPrivilege) {
        const bool reading =
            query.lastQuery().trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
        reason +=
            QCoreApplication::translate("ArchiveStore", " (this server login lacks the right; the "
                                                        "administrator grants it with the role %1)")
                .arg(QLatin1String(reading ? ArchiveSchema::kReaderRole
                                           : ArchiveSchema::kTechnicianRole));
    }
    Fail(what, reason);
    errorCode_ = query.lastError().nativeErrorCode();
    failedStatement_ = query.lastQuery().trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    // A server that went away is connected to again on the next call.
    if (target_.IsServer())
        Close();
    return false;
}

bool ArchiveStore::Exec(QSqlQuery& query, const QString& what)
{
    return query.exec() || Fail(what, query);
}

bool ArchiveStore::ExecSql(const QString& sql)
{
    QSqlQuery query(db_);
    return query.exec(sql) || Fail(target_.Display(), query);
}

bool ArchiveStore::BeginWrite()
{
    for (const QString& sql : dialect_.beginWrite) {
        if (!ExecSql(sql)) {
            Rollback();
            return false;
        }
    }
    return true;
}

void ArchiveStore::Rollback()
{
    if (db_.isOpen()) {
        QSqlQuery query(db_);
        query.exec(QStringLiteral("ROLLBACK"));
    }
}

bool ArchiveStore::Commit()
{
    if (ExecSql(QStringLiteral("COMMIT")))
        return true;
    Rollback();
    return false;
}

bool ArchiveStore::OpenConnection()
{
    if (!db_.isValid())
        db_ = QSqlDatabase::addDatabase(dialect_.driver, connectionName_);
    if (!db_.isValid())
        return Fail(target_.Display(), QCoreApplication::translate(
                                           "ArchiveStore", "the Qt SQL driver %1 is not installed")
                                           .arg(dialect_.driver));
    if (target_.IsServer()) {
        QString reason;
        const std::optional<QString> location = PostgresConnInfo(target_, &reason);
        if (!location)
            return Fail(target_.Display(), reason);
        // Keepalives: a server lost over TCP is noticed in seconds, not the system's hours,
        // so a write never hangs the writer thread for long, and a server that stops
        // acknowledging what is sent is given up after the server wait's limit. The
        // location's own keywords come after, so that its connect_timeout or
        // application_name wins. Qt hands the options to libpq as they are, so every value
        // is quoted (no ';' is in any: Qt would turn it into a blank).
        const QStringList options{
            LibpqConnInfo({{QStringLiteral("connect_timeout"), QString::number(kConnectTimeoutS)},
                           {QStringLiteral("application_name"), QStringLiteral("qx390d")},
                           {QStringLiteral("keepalives_idle"), QStringLiteral("5")},
                           {QStringLiteral("keepalives_interval"), QStringLiteral("2")},
                           {QStringLiteral("keepalives_count"), QStringLiteral("3")},
                           {QStringLiteral("tcp_user_timeout"), QString::number(kServerWaitMs)}}),
            *location};
        db_.setConnectOptions(options.join(QLatin1Char(' ')));
    } else {
        const QFileInfo file(target_.path);
        if (mustExist_ && !file.exists())
            return Fail(target_.Display(),
                        QCoreApplication::translate("ArchiveStore", "there is no archive here"));
        if (!file.exists() && !QDir().mkpath(file.absolutePath()))
            return Fail(target_.Display(), QCoreApplication::translate(
                                               "ArchiveStore", "the folder %1 cannot be created")
                                               .arg(file.absolutePath()));
        db_.setDatabaseName(target_.path);
        // From the first statement on: another program may be creating or writing the file.
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
    }
    if (!db_.open())
        return Fail(target_.Display(), ReasonOf(db_.lastError()));
    if (watch_)
        watch_(db_.driver()->handle());
    if (target_.IsServer()) {
        // The session's waits bounded on the server's side too, whatever its defaults: a lock
        // (the writers' one included), a transaction left idle by a stopped process. A write
        // transaction bounds its statements as well (ArchiveDialect::beginWrite).
        for (const QString& sql : {QStringLiteral("SET lock_timeout = %1").arg(kServerWaitMs),
                                   QStringLiteral("SET idle_in_transaction_session_timeout = %1")
                                       .arg(kIdleInTransactionMs)}) {
            QSqlQuery query(db_);
            if (!query.exec(sql))
                return Fail(target_.Display(), query);
        }
        // The role the server knows this program by (a service or ~/.pgpass may name it).
        QSqlQuery login(db_);
        if (!login.exec(QStringLiteral("SELECT current_user")) || !login.next())
            return Fail(target_.Display(), login);
        login_ = login.value(0).toString();
    }
    return true;
}

std::optional<int> ArchiveStore::ReadVersion()
{
    QSqlQuery state(db_);
    if (!state.exec(dialect_.schemaState) || !state.next()) {
        Fail(target_.Display(), state);
        return std::nullopt;
    }
    if (!state.value(0).toBool()) {
        if (state.value(1).toBool()) {
            Fail(target_.Display(),
                 QCoreApplication::translate("ArchiveStore", "the file holds tables, but it is not "
                                                             "an archive of this program; it is "
                                                             "left as it is"));
            return std::nullopt;
        }
        return 0;
    }
    QSqlQuery version(db_);
    if (!version.exec(QStringLiteral("SELECT version FROM archive_schema")) || !version.next()) {
        Fail(target_.Display(), version);
        return std::nullopt;
    }
    return version.value(0).toInt();
}

std::optional<int> ArchiveStore::SchemaVersion()
{
    if (!db_.isOpen() && !OpenConnection())
        return std::nullopt;
    return ReadVersion();
}

bool ArchiveStore::Open(int version)
{
    if (IsOpen())
        return true;
    ready_ = false;
    if (!OpenConnection())
        return false;
    // Only read until the version is known: a file of a later version stays byte for byte.
    const std::optional<int> found = ReadVersion();
    if (!found) {
        Close();
        return false;
    }
    if (*found > ArchiveSchema::kVersion) {
        Close();
        return Fail(target_.Display(),
                    QCoreApplication::translate("ArchiveStore",
                                                "the archive was written by a newer version of "
                                                "the program (schema %1; this one knows up to "
                                                "%2); it is left as it is")
                        .arg(*found)
                        .arg(ArchiveSchema::kVersion));
    }
    if (!target_.IsServer()) {
        if (!EnterWal()) {
            Close();
            return false;
        }
        QSqlQuery pragma(db_);
        // FULL, whatever the library's default: a download counts as archived only once it
        // is on the disk, since the operator may clear the meter right after it.
        if (!pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
            Fail(target_.Display(), pragma);
            Close();
            return false;
        }
    }
    if (*found < version && target_.IsServer() && !OwnsServerDatabase()) {
        Close();
        return Fail(target_.Display(),
                    QCoreApplication::translate(
                        "ArchiveStore", "the archive has schema %1 and this program needs %2: "
                                        "the administrator must run `qx390d-cli archive init` "
                                        "as the database's owner")
                        .arg(*found)
                        .arg(version));
    }
    if (*found < version && !Migrate(*found, version)) {
        Close();
        return false;
    }
    ready_ = true;
    return true;
}

bool ArchiveStore::EnterWal()
{
    // A new file starts in rollback mode, and switching it to WAL needs the file to itself:
    // while another program creates the same file, SQLite answers "locked" at once instead
    // of waiting out busy_timeout. So the switch is tried again until that wait has passed.
    // Once the file is WAL, the statement changes nothing and takes no lock.
    const QDeadlineTimer deadline(busyTimeoutMs_);
    for (;;) {
        QSqlQuery pragma(db_);
        if (pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && pragma.next() &&
            pragma.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            return true;
        const bool busy =
            !pragma.lastError().isValid() || pragma.lastError().nativeErrorCode() == kSqliteBusy;
        if (!busy || deadline.hasExpired())
            return pragma.lastError().isValid()
                       ? Fail(target_.Display(), pragma)
                       : Fail(target_.Display(), QStringLiteral("database is locked"));
        QThread::msleep(20);
    }
}

bool ArchiveStore::Migrate(int from, int to)
{
    for (int v = from + 1; v <= to; ++v) {
        if (!BeginWrite())
            return false;
        // Another program may have migrated while this one waited for the write lock.
        const std::optional<int> now = ReadVersion();
        if (!now) {
            Rollback();
            return false;
        }
        if (*now >= v) {
            if (!Commit())
                return false;
            continue;
        }
        if (*now > ArchiveSchema::kVersion) {
            Rollback();
            return Fail(
                target_.Display(),
                QCoreApplication::translate("ArchiveStore", "a newer program changed the schema"));
        }
        for (const QString& sql : ArchiveSchema::Migration(v, target_.engine)) {
            if (!ExecSql(sql)) {
                const QString failed = error_;
                const QString code = errorCode_;
                const QString statement = failedStatement_;
                Rollback();
                Fail(QCoreApplication::translate("ArchiveStore", "%1 (migration to schema %2)")
                         .arg(target_.Display())
                         .arg(v),
                     failed.section(QStringLiteral(": "), 1));
                errorCode_ = code;
                failedStatement_ = statement;
                return false;
            }
        }
        QSqlQuery setVersion(db_);
        setVersion.prepare(QStringLiteral("UPDATE archive_schema SET version = ?"));
        setVersion.addBindValue(v);
        if (!Exec(setVersion, target_.Display()) || !Commit()) {
            Rollback();
            return false;
        }
    }
    return true;
}

bool ArchiveStore::OwnsServerDatabase()
{
    QSqlQuery query(db_);
    return query.exec(QStringLiteral("SELECT pg_has_role(session_user, datdba, 'MEMBER') FROM "
                                     "pg_database WHERE datname = current_database()")) &&
           query.next() && query.value(0).toBool();
}

bool ArchiveStore::Init()
{
    if (!Open())
        return false;
    if (!target_.IsServer())
        return true;
    if (!OwnsServerDatabase()) {
        Close();
        return Fail(target_.Display(),
                    QCoreApplication::translate("ArchiveStore",
                                                "archive init runs as the database's owner"));
    }
    QSqlQuery schema(db_);
    if (!schema.exec(QStringLiteral("SELECT current_schema()")) || !schema.next())
        return Fail(target_.Display(), schema);
    if (!ExecSql(QStringLiteral("BEGIN")))
        return false;
    for (const QString& sql : ArchiveSchema::ServerGrants(schema.value(0).toString())) {
        if (!ExecSql(sql)) {
            const QString failed = error_;
            Rollback();
            return Fail(failed, QCoreApplication::translate(
                                    "ArchiveStore", "the roles %1 and %2 must exist first (README)")
                                    .arg(QLatin1String(ArchiveSchema::kTechnicianRole),
                                         QLatin1String(ArchiveSchema::kReaderRole)));
        }
    }
    return Commit();
}

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
    download.addBindValue(UtcText(f.when));
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
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM records")) || !query.next()) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    return query.value(0).toLongLong();
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

std::optional<QList<ArchivedRecord>>
ArchiveStore::SelectRecords(const ArchiveFilter& filter, QStringList where, QVariantList values,
                            std::optional<int> limit, RecordLimits limits)
{
    if (!Open())
        return std::nullopt;
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
            return QList<ArchivedRecord>();
        QStringList ids;
        for (qint64 id : *downloads)
            ids << QString::number(id);
        // The records of those downloads, gathered once: each record of the range is then a
        // look-up in that set, not a search of its links.
        where << QStringLiteral("r.id IN (SELECT l.record_id FROM download_records l WHERE "
                                "l.download_id IN (%1))")
                     .arg(ids.join(QLatin1Char(',')));
    }
    const bool readLimits = limits == RecordLimits::Read;
    QString limitColumns;
    if (readLimits) {
        for (const QString& c : kLimitColumns.split(QStringLiteral(", ")))
            limitColumns += QStringLiteral(", s.") + c;
        limitColumns += QStringLiteral(", s.id");
    }
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral(
            "SELECT r.id, r.text_no, r.text_p1, r.text_p2, r.text_p3, r.text_p4, r.text_group, "
            "r.text_time, r.verdict, r.group_no, r.measured, d.id, d.ended_at, d.note, "
            "r.p1, r.p2, r.p3, r.p4, r.low1, r.low2, r.low3, r.low4%1 "
            "FROM records r JOIN downloads d ON d.id = r.first_download_id %2%3 "
            "ORDER BY r.measured DESC, r.id DESC%4")
            .arg(limitColumns,
                 readLimits ? QStringLiteral("LEFT JOIN limit_sets s ON s.id = r.limit_set_id ")
                            : QString(),
                 where.isEmpty() ? QString()
                                 : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND ")),
                 limit ? QStringLiteral(" LIMIT ?") : QString()));
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
        if (readLimits && r.group && !query.value(34).isNull()) {
            std::array<float, 12> values{};
            for (int k = 0; k < 12; ++k)
                values[static_cast<size_t>(k)] = LimitOf(query.value(22 + k));
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
        history.addBindValue(UtcText(QDateTime::currentDateTimeUtc()));
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
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM records")) || !query.next()) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool ArchiveStore::AddPending(const QString& target, const ArchiveSubmission& submission,
                              const QString& reason)
{
    if (!Open())
        return false;
    QSqlQuery query(db_);
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
    return Exec(query, target_.Display());
}

std::optional<QList<PendingSubmission>> ArchiveStore::Pending(const QString& target,
                                                              const QString& archive)
{
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
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
    if (!Exec(query, target_.Display()))
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

std::optional<QString> ArchiveStore::Identity()
{
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT uuid FROM archive_identity")) || !query.next()) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    return query.value(0).toString();
}

bool ArchiveStore::RememberLocation(const QString& location, const QString& archive)
{
    if (!Open())
        return false;
    // Known already: nothing is written (and no writer waited for).
    QSqlQuery known(db_);
    known.prepare(QStringLiteral("SELECT archive FROM archive_locations WHERE location = ?"));
    known.addBindValue(location);
    if (!Exec(known, target_.Display()))
        return false;
    if (known.next() && known.value(0).toString() == archive)
        return true;
    known.finish();
    if (!BeginWrite())
        return false;
    QSqlQuery remember(db_);
    remember.prepare(QStringLiteral(
        "INSERT INTO archive_locations (location, archive, seen) VALUES (?, ?, ?) "
        "ON CONFLICT (location) DO UPDATE SET archive = excluded.archive, seen = excluded.seen"));
    remember.addBindValue(location);
    remember.addBindValue(archive);
    remember.addBindValue(UtcText(QDateTime::currentDateTimeUtc()));
    // What was kept for this location before its archive was known is that archive's.
    QSqlQuery claim(db_);
    claim.prepare(
        QStringLiteral("UPDATE pending SET archive = ? WHERE target = ? AND archive = ''"));
    claim.addBindValue(archive);
    claim.addBindValue(location);
    if (!Exec(remember, target_.Display()) || !Exec(claim, target_.Display())) {
        Rollback();
        return false;
    }
    return Commit();
}

bool ArchiveStore::RemovePending(qint64 id)
{
    if (!Open())
        return false;
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("DELETE FROM pending WHERE id = ?"));
    query.addBindValue(id);
    return Exec(query, target_.Display());
}
