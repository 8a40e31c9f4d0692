#pragma once

#include "archive/store/ArchiveStore.h"

#include <QList>
#include <QStringList>
#include <QUuid>
#include <array>
#include <optional>

// Where records were measured, kept in the archive beside them: the places the technician
// assigns after a download, the records of a download by its rows, and the jobs the places
// make. Works over a store's connection (on the store's thread); a failure leaves the
// store's Error().
class PlaceStore
{
public:
    explicit PlaceStore(ArchiveStore& store) : store_(store) {}

    // Sets the texts `place` gives (an empty one clears it) on the
    // records `recordIds`, in one transaction, with when and by whom (the server login, or the
    // PC's on a file); the other texts stay. A record that does not exist fails the whole
    // call, and nothing is written.
    bool Assign(const QList<qint64>& recordIds, const RecordPlace& place);
    // The records a download brought, in its rows' order.
    std::optional<QList<qint64>> RecordIdsOfDownload(qint64 downloadId);
    // Every assignment of the places of the records `recordIds`, by record, oldest first.
    std::optional<QList<PlaceChange>> History(const QList<qint64>& recordIds);
    // The records of the rows at `positions` (0 for the first) of the download `download`,
    // in that order: the rows of the data page. A row or download not archived is an error.
    std::optional<QList<qint64>> RecordIdsAt(const QUuid& download, const QList<int>& positions);
    // The places of the download's rows, in their order (RecordPlace() for a record without
    // one); none when the download is not archived.
    std::optional<QList<RecordPlace>> PlacesOfDownload(const QUuid& download);
    // Every job with its sites, ONTs, records, first and last measurement and worst verdict,
    // the job measured last first.
    std::optional<QList<JobSummary>> Jobs();
    // Per field, its texts assigned last first, at most `limit` of each (for completion).
    std::optional<std::array<QStringList, RecordPlace::kFields>> RecentPlaceTexts(int limit);
    // Every record that has a place, by where it came first, in no particular order.
    std::optional<QList<PlacedRecord>> PlacedRecords();

private:
    ArchiveStore& store_;
};
