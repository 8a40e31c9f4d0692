#pragma once

#include "archive/ArchiveStore.h"

#include <QString>
#include <memory>
#include <optional>

// Writes to the chosen archive; for a server, what cannot reach it is kept in the local
// SQLite file and delivered, before anything new, at the next successful connection:
// once, never doubled (a download's UUID is stored once).
class ArchiveSession
{
public:
    explicit ArchiveSession(const ArchiveTarget& target,
                            const QString& localPath = DefaultArchivePath());

    struct Outcome
    {
        std::optional<ArchiveWriteResult> result; // written to the chosen archive
        bool queued = false;                      // kept in the local file for the server
        int delivered = 0;                        // waiting downloads delivered before it
        QString error; // empty when written; else the operator's one-line message
    };
    Outcome Submit(const ArchiveSubmission& submission);
    // Delivers what waits for the server; the number delivered, or nothing with `error`.
    std::optional<int> DeliverPending(QString* error);

    ArchiveStore& Store() { return store_; }

private:
    ArchiveStore* Local(QString* error);

    ArchiveStore store_;
    QString localPath_;
    std::unique_ptr<ArchiveStore> local_;
};

// Connects to `target` as the program would, creating or migrating its schema; the text
// says what was found ("archive schema 2, 1234 records") or why it failed. For "Test
// Connection".
bool TestArchiveConnection(const ArchiveTarget& target, QString* message);
