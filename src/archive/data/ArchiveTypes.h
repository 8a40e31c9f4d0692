#pragma once

#include "link/PortIdentity.h"
#include "records/DownloadEnding.h"
#include "records/RecordPlace.h"
#include "thresholds/ThresholdTable.h"
#include "verdicts/Verdict.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <array>
#include <optional>

// Plain data the pages and the command-line tool hand to the archive, so that none of them
// needs to know SQL.

// The stored name of an ending: "completed", "no data", "unplugged", "stalled",
// "disconnected", "imported".
QString DownloadEndingName(DownloadEnding ending);
std::optional<DownloadEnding> DownloadEndingOf(const QString& name);

// One download from the meter, or one import of a file.
struct DownloadFacts
{
    bool fromFile = false; // an import; otherwise a download from the meter
    QDateTime when;        // when it ended
    QString port;          // the port's device path (downloads)
    PortIdentity identity; // the meter's USB identity where known (downloads)
    QString host;
    QString login;
    QString sourceFile; // the imported file
    int expected = 0;   // records the meter announced (an import: rows read)
    int arrived = 0;    // rows handed to the archive
    bool completed = false;
    DownloadEnding ending = DownloadEnding::Completed;
    QUuid uuid;
    QString note; // the operator's note (site, job, ONT id); editable later

    // A download from `port` that ended now, with this host, login and a new UUID; the USB
    // identity is looked up.
    static DownloadFacts ForMeter(const QString& port, DownloadEnding ending, int expected,
                                  int arrived);
    // The same with the USB identity the caller looked up before (while the port was
    // there: an unplugged port is no longer listed).
    static DownloadFacts ForMeter(const QString& port, const PortIdentity& identity,
                                  DownloadEnding ending, int expected, int arrived);
    // An import of `file` that succeeded now.
    static DownloadFacts ForImport(const QString& file, int rows);
};

// What one download hands over: its facts, the rows as the data page shows them (seven
// texts each: "No.", the four powers in column order, "Threshold Name", "Date-Time") and
// the threshold limits in force (known groups only).
struct ArchiveSubmission
{
    DownloadFacts facts;
    QList<QStringList> rows;
    ThresholdTable limits;
};

// What a write did.
struct ArchiveWriteResult
{
    qint64 downloadId = 0;
    int newRecords = 0;           // stored for the first time
    int linkedRecords = 0;        // found again and linked to this download
    bool alreadyArchived = false; // the download's UUID was there already (a redelivery)
};

// The record list's filter; empty parts do not filter.
struct ArchiveFilter
{
    QString since; // measurement date-time from, "2022-09-01" or "2022-09-01T08:00"
    QString until; // to, inclusive: a date means the whole day
    std::optional<int> group;
    // "Pass", "Marginal", "Over", "Fail", or "" for records without a verdict.
    std::optional<QString> verdict;
    QString note; // a substring of a note of one of the record's downloads, any case
    // The record's job and ONT, each the whole text exactly as assigned (the window offers
    // the texts there are), or with `byPart` a part of it, any case (what a person types).
    QString job;
    QString ont;
    bool byPart = false;
};

// A record's place in the list's order (newest measurement first, then newest archived):
// a page of the list starts after the record with this key, so records written between
// two pages neither come twice nor push others out of sight.
struct RecordListKey
{
    QString measured; // ISO date-time, empty when the record's text is no date
    qint64 id = 0;
};

// One archived record as the list shows it.
struct ArchivedRecord
{
    qint64 id = 0;
    QStringList texts;                           // the seven texts as first archived
    std::array<std::optional<double>, 4> powers; // nothing for LOW and for no number
    std::array<bool, 4> low{};
    std::optional<QString> verdict;
    std::optional<int> group;
    QString measured;      // ISO date-time, empty when the text is no date
    qint64 downloadId = 0; // the download that first brought it
    QDateTime downloadedAt;
    QString note;          // that download's note
    ThresholdTable limits; // the record's group known when its limits were
    RecordPlace place;     // where it was measured
    QString meter;         // the meter's USB serial; empty when not known (an import)
};

// One download or import as the list shows it.
// A note as it was before a change: when (UTC, ISO 8601) and by whom (the server login, or
// the PC's login name on an SQLite file).
struct NoteChange
{
    QString changedAt;
    QString changedBy;
    QString oldNote;
};

struct ArchivedDownload
{
    qint64 id = 0;
    QUuid uuid;
    DownloadFacts facts;
    int records = 0;    // records linked to it
    int newRecords = 0; // of which stored for the first time
    QString note;
    QString serverLogin;            // the server login that wrote it ("" on SQLite)
    QList<NoteChange> earlierNotes; // oldest first
};

// A moment as the archive writes it: UTC, ISO 8601 with milliseconds (now, when not known).
QString ArchiveTimeText(const QDateTime& when);

// One job as the archive knows it: what its records say.
struct JobSummary
{
    QString job;
    QStringList sites; // sorted, without the empty text
    QStringList onts;  // sorted, without the empty text
    int records = 0;
    QString firstMeasured; // ISO date-time; empty when no record's text is a date
    QString lastMeasured;
    std::optional<Verdict> worst; // Fail > Over > Marginal > Pass; nothing when none judged
};

// One assignment of a record's place: the place before and after, who assigned it and when
// (UTC; on a server, the server's login and clock).
struct PlaceChange
{
    qint64 recordId = 0;
    RecordPlace before;
    RecordPlace after;
    QString changedAt;
    QString changedBy;
};

// A record's place and where the record came first (the download's UUID and its row, 0 for
// the first): how `archive copy` finds the same record in another archive.
struct PlacedRecord
{
    QUuid download;
    int position = 0;
    RecordPlace place;
};
