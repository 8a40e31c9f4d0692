#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archive/location/ArchiveTarget.h"

#include <QObject>
#include <atomic>
#include <memory>

class QThread;

// One read of the record list: its first page, or the next page after the last record the
// list holds together with the records archived since the list's high-water id among those
// it holds (so that records written meanwhile are neither missed nor shown twice), or only
// those (after a download was archived).
struct RecordRead
{
    enum class Kind { FirstPage, NextPage, NewOnly };
    Kind kind = Kind::FirstPage;
    ArchiveFilter filter;
    std::optional<RecordListKey> last; // the last record the list holds; nothing: none
    qint64 highWater = 0;              // the list holds every record up to this id in its range
    bool listComplete = false;         // the list holds the filter's every record
    int pageRows = 0;
};

struct RecordReadAnswer
{
    quint64 token = 0;
    RecordRead read;
    QString error;               // empty when the read succeeded
    QList<ArchivedRecord> fresh; // records archived since the high-water id, in the list's range
    QList<ArchivedRecord> page;  // the next page (FirstPage, NextPage)
    qint64 highWater = 0;        // the new high-water id
};

// Reads the archive for the Archive window on a thread and a connection of its own, so a
// slow or stalled server never holds up the window. Every request returns a token at once
// and its answer arrives as a signal on the owner's thread. A read supersedes the reads
// asked for before it: those not yet begun are dropped, and the answer of one under way is
// still given, with its token, for the owner to set aside. Note changes are never dropped.
// Every wait is bounded by the store's own limits (connection, statement).
class ArchiveReader : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveReader(const ArchiveTarget& target, QObject* parent = nullptr);
    // Asks the thread to end after the edits handed to it; a read still held up by its
    // server ends on its limit. Closing waits for a server only while edits are queued (up
    // to the limits of a read and a write); otherwise the thread then goes by itself.
    ~ArchiveReader() override;

    quint64 Read(const RecordRead& read);
    quint64 SetNote(qint64 downloadId, const QString& note);
    // Assigns `change` to the records `ids` (PlaceStore::Assign); never dropped.
    quint64 Assign(const QList<qint64>& ids, const RecordPlace& change);
    // The texts the places' fields were given lately (the Assign dialog's completion).
    quint64 ReadPlaceTexts();
    // Every record the filter takes, up to `limit`, newest first (an ONT's history, a job's
    // report); never dropped.
    quint64 ReadAll(const ArchiveFilter& filter, int limit);
    // Every assignment of the places of the records `ids` (PlaceStore::History).
    quint64 ReadPlaceHistory(const QList<qint64>& ids);

Q_SIGNALS:
    void Answered(const RecordReadAnswer& answer);
    void NoteSet(quint64 token, qint64 downloadId, const QString& note, const QString& error);
    void Assigned(quint64 token, const QList<qint64>& ids, const RecordPlace& change,
                  const QString& error);
    void PlaceTextsRead(const std::array<QStringList, RecordPlace::kFields>& texts);
    void AllRead(quint64 token, const QList<ArchivedRecord>& records, const QString& error);
    void PlaceHistoryRead(quint64 token, const QList<PlaceChange>& changes, const QString& error);

private:
    class Worker;

    QThread* thread_;
    Worker* worker_;
    std::shared_ptr<std::atomic<quint64>> latestRead_;
    // Notes and places handed to the thread and not yet written.
    std::shared_ptr<std::atomic<int>> edits_ = std::make_shared<std::atomic<int>>(0);
    quint64 nextToken_ = 0;
};
