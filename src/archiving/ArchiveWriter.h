#pragma once

#include "archive/ArchiveTarget.h"
#include "archive/ArchiveTypes.h"

#include <QObject>
#include <QThread>

class ArchiveWriterWorker;

// Writes downloads into the archive on a thread of its own (with a connection of its
// own), so the exchange with the meter never waits for the disk or the server. Submissions
// are written in order, each download in one transaction. The first failure of a session is
// reported once through Failed; later ones only through WriteFailed. Lives on the thread
// that creates it (the UI thread); its signals arrive there.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    // `localPath`: the SQLite file that keeps what cannot reach a server archive.
    explicit ArchiveWriter(const ArchiveTarget& target, QObject* parent = nullptr,
                           const QString& localPath = DefaultArchivePath());
    // Writes what was submitted before, then stops the thread (waiting at most
    // kStopLimitMs; the program ends regardless).
    ~ArchiveWriter() override;

    static constexpr int kStopLimitMs = 30000;

    // Queues one download; returns at once.
    void Submit(const DownloadFacts& facts, const QList<QStringList>& rows,
                const ThresholdTable& limits);
    void Submit(const ArchiveSubmission& submission);
    // Gives the records of `downloads` that have no limits those of `limits` (limits that
    // became known later in the same connection); returns at once.
    void AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits);
    // Sends what waits in the local file for the server now (also done before each write).
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

private:
    void OnFailure(const QString& message, bool queued);

    QThread thread_;
    ArchiveWriterWorker* worker_;
    bool reported_ = false;
};
