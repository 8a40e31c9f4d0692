#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archive/location/ArchiveTarget.h"
#include "archive/schema/ArchiveSchema.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QSqlQuery;
class WriteDeadline;

// One connection to an archive. Qt allows a connection only on the thread that opened it,
// so each thread that reads or writes the archive has a store of its own (the writer
// thread one, the archive window another).
//
// Every failing call returns nothing (or false) and leaves a one-line Error() that names the
// archive and gives the engine's own reason; a password never appears in it (the target
// holds none).
class ArchiveStore
{
public:
    explicit ArchiveStore(const ArchiveTarget& target);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore&) = delete;
    ArchiveStore& operator=(const ArchiveStore&) = delete;

    // Marks the calling thread as one that must never wait on a database (the window's):
    // a connection opened on it is reported with a warning that tests fail on.
    static void ForbidOnThisThread(bool forbid);

    const ArchiveTarget& Target() const { return target_; }
    // For reading: a missing SQLite file is an error naming it, not a new archive (nor its
    // folders). Writing creates.
    void SetMustExist(bool mustExist) { mustExist_ = mustExist; }
    // Told the driver's handle (QSqlDriver::handle()) each time the connection opens, and an
    // empty one before it closes: so another thread can end a wait on the server at once.
    void SetConnectionWatch(std::function<void(const QVariant& handle)> watch);
    // How long an SQLite write waits for another writer (before Open).
    void SetBusyTimeout(int ms) { busyTimeoutMs_ = ms; }

    // Connects and brings the schema to `version` (the program's own by default): a new
    // archive is created, an older one migrated, one version per transaction. A database
    // of a later version, or an SQLite file that holds other tables, is refused and left as
    // it was. Once open, later calls do nothing; after a server connection is lost, the
    // next call connects again.
    //
    // A server's schema is created and migrated only by a login that owns the database (the
    // administrator's); a technician's program meeting an older schema is refused with a
    // message that asks for `archive init`.
    bool Open(int version = ArchiveSchema::kVersion);
    // `archive init`: Open, then on a server (as its owner) the grants of ServerGrants to the
    // team's group roles. False, with Error(), for a login that is not the owner or roles
    // that do not exist.
    bool Init();
    // What the last Init() changed beyond the grants (the rights it revoked), for the
    // administrator.
    const QStringList& InitNotes() const { return initNotes_; }
    bool IsOpen() const;
    void Close();
    const QString& Error() const { return error_; }
    // Of the last failure: the engine's code (a SQLSTATE on a server) and the statement's
    // first word (INSERT, SELECT...), where a statement failed.
    const QString& ErrorCode() const { return errorCode_; }
    const QString& FailedStatement() const { return failedStatement_; }
    // The role a server connection logs in as; empty before one opened.
    const QString& Login() const { return login_; }
    // The version the database has; nothing when it cannot be read.
    std::optional<int> SchemaVersion();

    // Writes a download in one transaction: the download, its limits, the records not yet
    // archived and the links of all its records (see RecordKey and README for the key). A
    // download whose UUID is archived already is not written again (alreadyArchived).
    std::optional<ArchiveWriteResult> Write(const ArchiveSubmission& submission);

    // Gives the records of `downloads` (by UUID) that have no limits those of their group in
    // `limits`, with the verdict they give, in one transaction: limits that became known
    // after the download, in the same connection. Records with limits keep theirs, so a
    // repeat changes nothing. The number of records given limits.
    std::optional<int> AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits);

    // What a read of records gives: everything, or all but the limits they were judged by
    // (a listing that prints texts and verdicts reads a third fewer columns).
    enum class RecordLimits { Read, Skip };
    // Records newest first (by measurement date-time, then newest archived), filtered: the
    // first `limit` after the record `after` (from the top without it).
    std::optional<QList<ArchivedRecord>> Records(const ArchiveFilter& filter,
                                                 const std::optional<RecordListKey>& after,
                                                 int limit,
                                                 RecordLimits limits = RecordLimits::Read);
    // The records archived after the record `aboveId` that the filter takes, in the list's
    // order, those from the top down to the record `through` only (all without it): what a
    // list that has read that far lacks.
    std::optional<QList<ArchivedRecord>> NewRecords(const ArchiveFilter& filter, qint64 aboveId,
                                                    const std::optional<RecordListKey>& through);
    // The id of the record archived last (0 for none): records archived later have higher ids.
    std::optional<qint64> LastRecordId();
    // Downloads and imports, newest first.
    std::optional<QList<ArchivedDownload>> Downloads();
    // False, with Error(), also when there is no such download or (on a server) another
    // login wrote it. The note it replaces is kept (ArchivedDownload::earlierNotes).
    bool SetNote(qint64 downloadId, const QString& note);
    // Every download with its rows and limits, oldest first: what `archive copy` sends.
    std::optional<QList<ArchiveSubmission>> Submissions();
    std::optional<qint64> CountRecords();

    // The archive's identity (a UUID made with it).
    std::optional<QString> Identity();

private:
    // Places are kept in tables of their own over this connection; a listing reads rows with
    // the engine's own calls over it.
    friend class PlaceStore;
    friend class PendingQueue;
    friend class RecordListing;

    bool Fail(const QString& what, const QSqlQuery& query);
    bool Fail(const QString& what, const QString& reason);
    // A statement's failure: the engine's reason and code, the statement's text.
    bool FailStatement(const QString& what, QString reason, const QString& code,
                       const QString& statement);
    bool Exec(QSqlQuery& query, const QString& what);
    bool ExecSql(const QString& sql);
    // The first column of the first row `sql` gives, on the open archive.
    std::optional<QVariant> Scalar(const QString& sql);
    // A write transaction in the writers' turn (on a server bounded by one limit), or a
    // migration's.
    bool BeginWrite(bool migration = false);
    // The logins that hold the writers' turn on the server; empty when it does not say.
    QString TurnHolders();
    void Rollback();
    bool Commit();
    bool Migrate(int from, int to);
    bool OwnsServerDatabase();
    bool RevokeFromPublic(const QString& database, const QString& schema);
    bool OpenConnection();
    std::optional<int> ReadVersion();
    bool HoldsTablesOf(int version);
    bool EnterWal();
    std::optional<qint64> LimitSetId(int group, const ThresholdTable& limits);
    // A download's write, step by step, inside its transaction: the download (or that it is
    // archived already), its rows' keys, the limit sets in force, the records found again
    // (claimed from an import, given limits they lacked), the new records, the links.
    struct WritePlan;
    std::optional<ArchiveWriteResult> WriteInTransaction(const ArchiveSubmission& submission);
    bool InsertDownload(const DownloadFacts& facts, ArchiveWriteResult& result);
    static WritePlan PlanRows(const ArchiveSubmission& submission);
    bool ClaimLimitSets(WritePlan& plan, const ThresholdTable& limits);
    bool MatchExisting(WritePlan& plan, const ArchiveSubmission& submission);
    bool InsertNewRecords(WritePlan& plan, const ArchiveSubmission& submission,
                          ArchiveWriteResult& result);
    bool LinkRecords(const WritePlan& plan, ArchiveWriteResult& result);
    // The downloads whose note holds `text`, compared case-folded (any language).
    std::optional<QList<qint64>> DownloadsWithNote(const QString& text);
    // The texts of a place's column ("job", "ont") that hold `text`, compared case-folded.
    std::optional<QStringList> PlaceTextsHolding(const QString& column, const QString& text);
    // The filter's conditions on `r` (records) and `p` (their places) added to `where`, with
    // their values; false when no record can meet them, nothing on a failure.
    std::optional<bool> FilterClause(const ArchiveFilter& filter, QStringList& where,
                                     QVariantList& values);
    // The filter's records that also meet `where` (with its `values`), in the list's order.
    std::optional<QList<ArchivedRecord>> SelectRecords(const ArchiveFilter& filter,
                                                       QStringList where, QVariantList values,
                                                       std::optional<int> limit,
                                                       RecordLimits limits);

    ArchiveTarget target_;
    ArchiveDialect dialect_;
    QString connectionName_;
    QSqlDatabase db_;
    int busyTimeoutMs_;
    std::function<void(const QVariant&)> watch_;
    bool ready_ = false;
    bool mustExist_ = false;
    QString error_;
    QString errorCode_;
    QString failedStatement_;
    QString login_;
    QStringList initNotes_;
    int openVersion_ = 0; // the schema the connection works with, once open
    // The one limit of the server write under way (BeginWrite to Commit or Rollback).
    std::unique_ptr<WriteDeadline> writeDeadline_;
};
