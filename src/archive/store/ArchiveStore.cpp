#include "archive/store/ArchiveStore.h"

#include "archive/location/PostgresLocation.h"
#include "archive/store/StoreSql.h"
#include "archive/store/WriteDeadline.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <sys/statvfs.h>

namespace {

QString NotOurs()
{
    return QCoreApplication::translate("ArchiveStore", "the file holds tables, but it is not an "
                                                       "archive of this program; it is left as "
                                                       "it is");
}

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

QString ReasonOf(const QSqlError& error)
{
    QString reason = error.databaseText().trimmed();
    if (reason.isEmpty())
        reason = error.driverText().trimmed();
    return reason.simplified();
}

// A statement that the write's one limit cancelled: why, said as that limit.
QString LimitReason(const QString& reason)
{
    return QCoreApplication::translate("ArchiveStore",
                                       "write timeout: the write took longer than its limit of "
                                       "%1 s (%2)")
        .arg(kServerWaitMs / 1000)
        .arg(reason);
}

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
    writeDeadline_.reset();
    if (db_.isValid() && db_.isOpen() && watch_)
        watch_(QVariant());
    if (db_.isValid())
        db_.close();
}

// What is wrong with the place of an SQLite file, in the operator's words, where SQLite
// says only "unable to open database file" or "disk I/O error"; empty when nothing is.
static QString SqlitePlaceFault(const QString& path)
{
    if (QFileInfo(path).isDir())
        return QCoreApplication::translate("ArchiveStore", "is a directory");
    // The file, or the nearest folder of it that exists.
    QFileInfo place(path);
    while (!place.exists() && place.absoluteFilePath() != place.absolutePath())
        place = QFileInfo(place.absolutePath());
    struct statvfs disk;
    if (::statvfs(QFile::encodeName(place.absoluteFilePath()).constData(), &disk) != 0)
        return {};
    if (disk.f_flag & ST_RDONLY)
        return QCoreApplication::translate("ArchiveStore", "read-only file system");
    // Less than a page of SQLite's journal left for anyone but root.
    if (static_cast<quint64>(disk.f_bavail) * disk.f_frsize < 64 * 1024)
        return QCoreApplication::translate("ArchiveStore", "no space left on the disk");
    return {};
}

bool ArchiveStore::Fail(const QString& what, const QString& reason)
{
    // SQLite's own words for these do not say what the operator must mend.
    if (!target_.IsServer())
        if (const QString fault = SqlitePlaceFault(target_.path); !fault.isEmpty()) {
            error_ = QStringLiteral("%1: %2").arg(what, fault);
            errorCode_.clear();
            failedStatement_.clear();
            return false;
        }
    error_ = QStringLiteral("%1: %2").arg(what, reason);
    errorCode_.clear();
    failedStatement_.clear();
    return false;
}

bool ArchiveStore::Fail(const QString& what, const QSqlQuery& query)
{
    return FailStatement(what, ReasonOf(query.lastError()), query.lastError().nativeErrorCode(),
                         query.lastQuery());
}

bool ArchiveStore::FailStatement(const QString& what, QString reason, const QString& code,
                                 const QString& statement)
{
    // The server's reason names the right (the table); the role that holds it is the
    // program's to name. (The archive's own rules, a record filled in once, raise another
    // code and say why themselves.)
    if (target_.IsServer() && code == kInsufficientPrivilege &&
        reason.contains(QLatin1String("row-level security"))) {
        // The right is there; the row is another login's.
        reason += QCoreApplication::translate("ArchiveStore",
                                              " (it belongs to another login's downloads)");
    } else if (target_.IsServer() && code == kInsufficientPrivilege) {
        const bool reading =
            statement.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
        reason +=
            QCoreApplication::translate("ArchiveStore", " (this server login lacks the right; the "
                                                        "administrator grants it with the role %1)")
                .arg(QLatin1String(reading ? ArchiveSchema::kReaderRole
                                           : ArchiveSchema::kTechnicianRole));
    }
    if (writeDeadline_ && writeDeadline_->Fired())
        reason = LimitReason(reason);
    Fail(what, reason);
    errorCode_ = code;
    failedStatement_ = statement.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    // A server that went away is connected to again on the next call.
    if (target_.IsServer())
        Close();
    return false;
}

bool ArchiveStore::Exec(QSqlQuery& query, const QString& what)
{
    // A prepare that failed (a server's lock or statement timeout cancels a PREPARE as it
    // cancels any statement) left its reason here; executing anyway would replace it with
    // the server's "syntax error" at Qt's empty EXECUTE.
    if (query.lastError().isValid())
        return Fail(what, query);
    return query.exec() || Fail(what, query);
}

bool ArchiveStore::ExecSql(const QString& sql)
{
    QSqlQuery query(db_);
    return query.exec(sql) || Fail(target_.Display(), query);
}

bool ArchiveStore::BeginWrite(bool migration)
{
    writeDeadline_.reset();
    // Writers of an archive older than the writers' turn take turns as they did then.
    const bool turn = !migration && openVersion_ >= ArchiveSchema::kWritersTurnVersion;
    for (const QString& sql : turn ? dialect_.beginWrite : dialect_.beginMigration) {
        QSqlQuery step(db_);
        if (!step.exec(sql)) {
            const QSqlError error = step.lastError();
            const bool waited = target_.IsServer() && sql.startsWith(QLatin1String("LOCK"));
            const bool limit = writeDeadline_ && writeDeadline_->Fired();
            // The transaction is undone first, so that the server can still be asked who
            // holds the turn.
            Rollback();
            QString reason = limit ? LimitReason(ReasonOf(error)) : ReasonOf(error);
            if (waited) {
                const QString holders = TurnHolders();
                reason = holders.isEmpty()
                             ? QCoreApplication::translate("ArchiveStore",
                                                           "waited for the writers' turn: %1")
                                   .arg(reason)
                             : QCoreApplication::translate(
                                   "ArchiveStore", "waited for the writers' turn, held by %1: %2")
                                   .arg(holders, reason);
            }
            // A login refused the turn may not write the archive at all: said as the right
            // to add downloads that it lacks.
            return FailStatement(target_.Display(), reason, error.nativeErrorCode(),
                                 waited ? QStringLiteral("INSERT") : sql);
        }
        // On a server the whole write has one limit, however its steps split it: the wait
        // for the writers' turn and every statement after BEGIN. A migration is the owner's
        // and takes as long as it takes.
        if (target_.IsServer() && !migration && !writeDeadline_)
            writeDeadline_ = std::make_unique<WriteDeadline>(
                StoreSql::ServerConnection(db_.driver()->handle()), kServerWaitMs);
    }
    return true;
}

QString ArchiveStore::TurnHolders()
{
    QSqlQuery holders(db_);
    if (!holders.exec(QStringLiteral(
            "SELECT string_agg(DISTINCT a.usename, ', ') FROM pg_locks l JOIN pg_stat_activity a "
            "ON a.pid = l.pid WHERE l.relation = 'writers_turn'::regclass AND l.granted AND "
            "a.pid <> pg_backend_pid()")) ||
        !holders.next())
        return {};
    return holders.value(0).toString();
}

void ArchiveStore::Rollback()
{
    writeDeadline_.reset();
    if (db_.isOpen()) {
        QSqlQuery query(db_);
        query.exec(QStringLiteral("ROLLBACK"));
    }
}

bool ArchiveStore::Commit()
{
    writeDeadline_.reset();
    if (ExecSql(QStringLiteral("COMMIT")))
        return true;
    Rollback();
    return false;
}

namespace {
thread_local bool t_forbidden = false;
} // namespace

void ArchiveStore::ForbidOnThisThread(bool forbid)
{
    t_forbidden = forbid;
}

bool ArchiveStore::OpenConnection()
{
    if (t_forbidden)
        qWarning("ArchiveStore: a database opened on a thread that must not wait on one: %s",
                 qPrintable(target_.Display()));
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
            Fail(target_.Display(), NotOurs());
            return std::nullopt;
        }
        return 0;
    }
    QSqlQuery version(db_);
    if (!version.exec(QStringLiteral("SELECT version FROM archive_schema")) || !version.next()) {
        Fail(target_.Display(), version);
        return std::nullopt;
    }
    const int found = version.value(0).toInt();
    version.finish();
    if (!target_.IsServer() && !HoldsTablesOf(found))
        return std::nullopt;
    return found;
}

bool ArchiveStore::HoldsTablesOf(int version)
{
    // A file is written to (switched to WAL, migrated) only once its tables show that this
    // program made it: a table named archive_schema alone proves nothing.
    const QStringList expected = ArchiveSchema::TablesAt(version);
    QSqlQuery tables(db_);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return Fail(target_.Display(), tables);
    QStringList present;
    while (tables.next())
        present << tables.value(0).toString();
    for (const QString& table : expected)
        if (!present.contains(table))
            return Fail(target_.Display(), NotOurs());
    return true;
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
    openVersion_ = std::max(*found, version);
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
        if (!BeginWrite(true))
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
    initNotes_.clear();
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
    if (!schema.exec(QStringLiteral("SELECT current_schema(), current_database()")) ||
        !schema.next())
        return Fail(target_.Display(), schema);
    const QString schemaName = schema.value(0).toString();
    const QString database = schema.value(1).toString();
    if (!ExecSql(QStringLiteral("BEGIN")))
        return false;
    for (const QString& sql : ArchiveSchema::ServerGrants(schemaName)) {
        if (!ExecSql(sql)) {
            const QString failed = error_;
            Rollback();
            return Fail(failed, QCoreApplication::translate(
                                    "ArchiveStore", "the roles %1, %2 and %3 must exist first "
                                                    "(README)")
                                    .arg(QLatin1String(ArchiveSchema::kTechnicianRole),
                                         QLatin1String(ArchiveSchema::kReaderRole),
                                         QLatin1String(ArchiveSchema::kLeadRole)));
        }
    }
    if (!RevokeFromPublic(database, schemaName)) {
        const QString failed = error_;
        Rollback();
        error_ = failed;
        return false;
    }
    return Commit();
}

bool ArchiveStore::RevokeFromPublic(const QString& database, const QString& schema)
{
    // Where every login may create temporary tables or objects in the archive's schema, a
    // name could be made to mean another object: nobody but the owner may.
    const auto quoted = [](QString name) {
        return QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
               QLatin1Char('"');
    };
    struct Right
    {
        QString check;
        QString revoke;
        QString said;
    };
    const QList<Right> rights{
        {QStringLiteral("SELECT has_database_privilege('public', current_database(), "
                        "'TEMPORARY')"),
         QStringLiteral("REVOKE TEMPORARY ON DATABASE %1 FROM PUBLIC").arg(quoted(database)),
         QCoreApplication::translate("ArchiveStore",
                                     "every login could create temporary tables in the "
                                     "database %1")
             .arg(database)},
        {QStringLiteral("SELECT has_schema_privilege('public', current_schema(), 'CREATE')"),
         QStringLiteral("REVOKE CREATE ON SCHEMA %1 FROM PUBLIC").arg(quoted(schema)),
         QCoreApplication::translate("ArchiveStore",
                                     "every login could create objects in the schema %1")
             .arg(schema)}};
    const auto held = [this](const QString& check) -> std::optional<bool> {
        QSqlQuery query(db_);
        if (!query.exec(check) || !query.next()) {
            Fail(target_.Display(), query);
            return std::nullopt;
        }
        return query.value(0).toBool();
    };
    QStringList refused;
    for (const Right& right : rights) {
        const std::optional<bool> before = held(right.check);
        if (!before)
            return false;
        if (!*before)
            continue;
        // Revoking what the owner may not revoke only warns: the right is read again.
        if (!ExecSql(right.revoke))
            return false;
        const std::optional<bool> after = held(right.check);
        if (!after)
            return false;
        if (*after)
            refused << right.revoke + QLatin1Char(';');
        else
            initNotes_
                << QCoreApplication::translate("ArchiveStore", "%1: revoked").arg(right.said);
    }
    if (!refused.isEmpty())
        return Fail(target_.Display(),
                    QCoreApplication::translate("ArchiveStore",
                                                "every login may still create objects that the "
                                                "archive's functions could be made to use; this "
                                                "login cannot revoke that. As a superuser run: %1")
                        .arg(refused.join(QLatin1Char(' '))));
    return true;
}

std::optional<QString> ArchiveStore::Identity()
{
    const std::optional<QVariant> value =
        Scalar(QStringLiteral("SELECT uuid FROM archive_identity"));
    if (!value)
        return std::nullopt;
    return value->toString();
}

std::optional<QVariant> ArchiveStore::Scalar(const QString& sql)
{
    if (!Open())
        return std::nullopt;
    QSqlQuery query(db_);
    if (!query.exec(sql) || !query.next()) {
        Fail(target_.Display(), query);
        return std::nullopt;
    }
    return query.value(0);
}
