#pragma once

#include "archive/location/ArchiveTarget.h"
#include "records/RecordPlace.h"

#include <QString>
#include <QStringList>
#include <optional>

// The archive's part of the command line: where the archive is, and the `archive`
// command's action and arguments.
enum class ArchiveAction {
    List,
    Downloads,
    Import,
    Note,
    Copy,
    Init,
    Pending,
    Assign,
    Jobs,
    Report,
    Places
};

struct ArchiveOptions
{
    QString location; // --archive PATH|postgresql://...|service=NAME
    QString service;  // --archive-service NAME
    // What those and QX390D_ARCHIVE choose, read once with the command line; its error is
    // told by the command that would use the archive.
    ArchiveChoice where;
    bool off = false; // --no-archive: `records` archives nothing

    ArchiveAction action = ArchiveAction::List;
    QString since; // list --since, --until: as given
    QString until;
    std::optional<int> group;
    std::optional<QString> verdict; // "Pass", ..., or "" for none
    QString note;                   // list --note: a text of a download's note, any case
    QStringList files;              // import FILE...
    qint64 downloadId = 0;          // note DOWNLOAD_ID TEXT
    QString noteText;
    QString copyTo;   // copy --to URL
    QString sendTo;   // pending --send-to URL|PATH
    QString discard;  // pending --discard UUID
    bool yes = false; // --yes: a discard goes ahead
    // --job, --site, --ont, --pon-port, --technician: what assign sets; list filters by the
    // job and the ONT; report is of the job.
    RecordPlace place;
    QList<qint64> assignDownloads; // assign and places --download ID...
    QList<qint64> assignRecords;   // assign and places --record ID...
};
