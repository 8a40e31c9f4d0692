#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archive/location/ArchiveTarget.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

class ArchiveKeeperWorker;
class ArchiveSession;
class ArchiveWriterWorker;
class ServerInterrupt;
struct ArchiveWriterLink;

// Keeps downloads in the archive, journal first: Submit has a thread of its own keep the
// download on this PC (written, for an SQLite archive; in the local file's queue, for a
// server) and returns once it is kept, or after kKeepWaitMs at most; delivering it to a
// server happens on another thread (with a connection of its own), so neither the exchange
// with the meter nor the window ever waits for the server, and no database call runs on
// the window's thread. Both threads open (and migrate) their files when the writer starts. The
// first failure of a session is reported once through Failed; later ones only through
// WriteFailed. Lives on the thread that creates it (the UI thread); its signals arrive
// there.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    // `localPath`: the SQLite file that keeps what cannot reach a server archive.
    explicit ArchiveWriter(const ArchiveTarget& target, QObject* parent = nullptr,
                           const QString& localPath = DefaultArchivePath());
    // Ends any wait on the server at once, keeps what was handed to the thread on this PC,
    // and stops the thread, waiting for it at most kStopLimitMs: what was not delivered
    // stays kept on this PC for the next connection.
    ~ArchiveWriter() override;

    static constexpr int kStopLimitMs = 2500;
    // How long Submit waits for the keeper's thread to keep the download on this PC before
    // it returns all the same (the keeping goes on), and how long the writer's end waits for
    // downloads handed over and not yet kept (an SQLite file another program holds).
    static constexpr int kKeepWaitMs = 2000;
    static constexpr int kKeepLimitMs = 25000;

    // Keeps one download on this PC, then has the thread deliver it.
    void Submit(const DownloadFacts& facts, const QList<QStringList>& rows,
                const ThresholdTable& limits);
    void Submit(const ArchiveSubmission& submission);
    // Gives the records of `downloads` that have no limits those of `limits` (limits that
    // became known later in the same connection); returns at once.
    void AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits);
    // Assigns `change` to the records of the rows at `positions` of the download `download`
    // (the data page's rows), after what was submitted before; returns at once.
    void Assign(const QUuid& download, const QList<int>& positions, const RecordPlace& change);
    // Reads the texts each field of a place was given lately (PlaceTextsRead); returns at
    // once.
    void ReadPlaceTexts();
    // Reads the places the rows of the download `download` have in the archive
    // (PlacesRead); returns at once.
    void ReadPlaces(const QUuid& download);
    // Sends what waits in the local file for the server now (also done when the writer
    // starts, when its target changes and after each write).
    void DeliverPending();
    // Later submissions go to `target` (the settings dialog); the session's message may
    // come again for the new archive.
    void SetTarget(const ArchiveTarget& target);

Q_SIGNALS:
    // One download was written (or was archived already).
    void Written(qint64 downloadId, int newRecords, int linkedRecords);
    // A download could not be written to the chosen archive; `queued` when it waits in the
    // local file for the server.
    void WriteFailed(const QString& message, bool queued);
    // The first WriteFailed of the session: the one message the operator sees.
    void Failed(const QString& message);
    // Records of earlier downloads took limits that became known later.
    void LimitsAttached(int records);
    // Downloads that waited locally reached the server.
    void Delivered(int downloads);
    // An Assign was done (`error` empty) or not (why).
    void Assigned(int records, const QString& error);
    // The texts of ReadPlaceTexts, per field assigned last first; none when the archive
    // cannot say.
    void PlaceTextsRead(const std::array<QStringList, RecordPlace::kFields>& texts);
    // The places of ReadPlaces, one per row of `download`; none when the archive cannot say
    // (or does not have the download yet).
    void PlacesRead(const QUuid& download, const QList<RecordPlace>& places);

private:
    void OnFailure(const QString& message, bool queued);

    ArchiveTarget target_;
    QString localPath_;
    std::shared_ptr<ServerInterrupt> interrupt_;
    std::shared_ptr<ArchiveWriterLink> link_;
    QThread* thread_;
    ArchiveWriterWorker* worker_;
    // Keeps each download on this PC, on a thread of its own.
    QThread* keeperThread_;
    ArchiveKeeperWorker* keeper_;
    // Downloads handed to the keeper and not yet kept.
    std::shared_ptr<std::atomic<int>> unkept_ = std::make_shared<std::atomic<int>>(0);
    bool reported_ = false;
};
