#pragma once

#include "archive/store/ArchiveStore.h"

#include <QHash>
#include <QString>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class ServerInterrupt;

// Writes to the chosen archive, journal first: a download is kept on this PC before any
// server is tried (an SQLite archive is its own journal; for a server, the local SQLite
// file's queue), then delivered, and marked delivered once the server has committed it.
// What cannot reach the server waits in the local file and goes, before anything new, at
// the next successful connection: once, never doubled (a download's UUID is stored once).
class ArchiveSession
{
public:
    // `interrupt`, when given, can end this session's server waits from another thread.
    explicit ArchiveSession(const ArchiveTarget& target,
                            const QString& localPath = DefaultArchivePath(),
                            std::shared_ptr<ServerInterrupt> interrupt = {});
    ~ArchiveSession();

    struct Outcome
    {
        std::optional<ArchiveWriteResult> result; // written to the chosen archive
        bool queued = false;                      // kept in the local file for the server
        int delivered = 0;                        // waiting downloads delivered before it
        QString error; // empty when written; else the operator's one-line message
    };
    // Keeps the download on this PC, never waiting for a server: written, for an SQLite
    // archive; queued in the local file, for a server (`queued`, no `error`).
    Outcome Journal(const ArchiveSubmission& submission);
    // Delivers what waits for the server, the journaled `submission` among it; its result.
    Outcome Deliver(const ArchiveSubmission& submission);
    // Journal, then Deliver; `journaled` is called in between, before any server is tried.
    Outcome Submit(const ArchiveSubmission& submission,
                   const std::function<void()>& journaled = {});
    // Delivers what waits for the server; the number delivered, or nothing with `error`.
    std::optional<int> DeliverPending(QString* error);
    // Limits that became known after the downloads `downloads`: given to their records in
    // the archive and, in the same step, to those still waiting on this PC for a server
    // (ArchiveStore::AttachLimits). The number of records given limits, or nothing with
    // `error`.
    std::optional<int> AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits,
                                    QString* error);

    // Opens what Journal writes (the SQLite archive; for a server, the local file if it
    // exists), creating or migrating it: at start rather than with the first download.
    void PrepareJournal();

    ArchiveStore& Store() { return store_; }
    const QString& LocalPath() const { return localPath_; }

private:
    ArchiveStore* Local(QString* error);
    QString WhyNotWritten() const;
    QString KeptMessage(const QString& error) const;
    // What waits for an unknown archive at a location that reaches the same server,
    // database and login as this one is given to `identity`; false, with `local`'s Error().
    bool ClaimSameConnection(ArchiveStore& local, const QString& identity);
    // Why `uuid`, still waiting on this PC, must not go to this archive; empty when it may.
    QString WaitsForAnother(const QUuid& uuid);

    ArchiveStore store_;
    QString localPath_;
    std::shared_ptr<ServerInterrupt> interrupt_;
    std::unique_ptr<ArchiveStore> local_;
    // The result of each download delivered, by UUID, until Deliver reports it.
    QHash<QUuid, ArchiveWriteResult> deliveredResults_;
};

// Connects to `target` as the program would, creating or migrating its schema; the text
// says what was found ("archive schema 2, 1234 records") or why it failed. For "Test
// Connection".
bool TestArchiveConnection(const ArchiveTarget& target, QString* message);
