#include "archive/writer/ArchiveWriter.h"

#include "archive/places/PlaceStore.h"
#include "archive/writer/ArchiveSession.h"
#include "archive/writer/ServerInterrupt.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSemaphore>
#include <memory>

// What the thread may still reach of the writer: nothing once the writer has gone, should
// the thread outlive it (a server wait that the interrupt could not end in time).
struct ArchiveWriterLink
{
    QMutex mutex;
    ArchiveWriter* writer = nullptr;
};

// The texts each field of a place offers for completion.
constexpr int kRecentPlaceTexts = 200;

// What the workers of the writer's two threads share: a session of their own, made, used
// and destroyed on their thread (and so every connection).
class ArchiveThreadWorker : public QObject
{
public:
    ArchiveThreadWorker(const ArchiveTarget& target, const QString& local,
                        std::shared_ptr<ServerInterrupt> interrupt)
        : target_(target), localPath_(local), interrupt_(std::move(interrupt))
    {
    }

    void SetTarget(const ArchiveTarget& target)
    {
        session_.reset();
        target_ = target;
    }

    void Stop()
    {
        session_.reset();
        QThread::currentThread()->quit();
    }

protected:
    ArchiveSession& Session()
    {
        if (!session_)
            session_ = std::make_unique<ArchiveSession>(target_, localPath_, interrupt_);
        return *session_;
    }

private:
    ArchiveTarget target_;
    QString localPath_;
    std::shared_ptr<ServerInterrupt> interrupt_;
    std::unique_ptr<ArchiveSession> session_;
};

// Lives on the writer's thread: delivers to a server, and reads and writes places.
class ArchiveWriterWorker : public ArchiveThreadWorker
{
public:
    ArchiveWriterWorker(std::shared_ptr<ArchiveWriterLink> link, const ArchiveTarget& target,
                        const QString& local, std::shared_ptr<ServerInterrupt> interrupt)
        : ArchiveThreadWorker(target, local, std::move(interrupt)), link_(std::move(link))
    {
    }

    // A download that could not be kept on this PC before: kept now, then delivered.
    void Write(const ArchiveSubmission& submission) { Tell(Session().Submit(submission)); }

    void Attach(const QList<QUuid>& downloads, const ThresholdTable& limits)
    {
        QString error;
        if (const std::optional<int> attached = Session().AttachLimits(downloads, limits, &error)) {
            Report([n = *attached](ArchiveWriter* w) { Q_EMIT w->LimitsAttached(n); });
            return;
        }
        Report(
            [m = QCoreApplication::translate("ArchiveStore", "The archive could not be written: %1")
                     .arg(error)](ArchiveWriter* w) { Q_EMIT w->WriteFailed(m, false); });
    }

    void Assign(const QUuid& download, const QList<int>& positions, const RecordPlace& change)
    {
        ArchiveStore& store = Session().Store();
        const std::optional<QList<qint64>> ids = PlaceStore(store).RecordIdsAt(download, positions);
        if (ids && PlaceStore(store).Assign(*ids, change)) {
            Report([n = static_cast<int>(ids->size())](ArchiveWriter* w) {
                Q_EMIT w->Assigned(n, QString());
            });
            return;
        }
        Report([m = store.Error()](ArchiveWriter* w) { Q_EMIT w->Assigned(0, m); });
    }

    void ReadPlaceTexts()
    {
        Report([texts = PlaceStore(Session().Store())
                            .RecentPlaceTexts(kRecentPlaceTexts)
                            .value_or(std::array<QStringList, RecordPlace::kFields>())](
                   ArchiveWriter* w) { Q_EMIT w->PlaceTextsRead(texts); });
    }

    void ReadPlaces(const QUuid& download)
    {
        Report([download, places = PlaceStore(Session().Store())
                                       .PlacesOfDownload(download)
                                       .value_or(QList<RecordPlace>())](ArchiveWriter* w) {
            Q_EMIT w->PlacesRead(download, places);
        });
    }

    // A download kept on this PC already: delivered.
    void Deliver(const ArchiveSubmission& submission) { Tell(Session().Deliver(submission)); }

    void DeliverPending()
    {
        QString error;
        const std::optional<int> delivered = Session().DeliverPending(&error);
        if (delivered && *delivered > 0)
            Report([n = *delivered](ArchiveWriter* w) { Q_EMIT w->Delivered(n); });
    }

private:
    void Tell(const ArchiveSession::Outcome& outcome)
    {
        if (outcome.delivered > 0)
            Report([n = outcome.delivered](ArchiveWriter* w) { Q_EMIT w->Delivered(n); });
        if (outcome.result) {
            Report([r = *outcome.result](ArchiveWriter* w) {
                Q_EMIT w->Written(r.downloadId, r.newRecords, r.linkedRecords);
            });
        } else {
            Report([m = outcome.error, q = outcome.queued](ArchiveWriter* w) {
                Q_EMIT w->WriteFailed(m, q);
            });
        }
    }

    template <typename F> void Report(F f)
    {
        const QMutexLocker lock(&link_->mutex);
        if (ArchiveWriter* writer = link_->writer)
            QMetaObject::invokeMethod(
                writer, [writer, f = std::move(f)] { f(writer); }, Qt::QueuedConnection);
    }

    std::shared_ptr<ArchiveWriterLink> link_;
};

// Lives on the keeper's thread: keeps each download on this PC with a connection of its own
// (the SQLite archive, or the local file's queue for a server), so that no database call
// runs on the owner's (the UI) thread and no server wait delays the keeping.
class ArchiveKeeperWorker : public ArchiveThreadWorker
{
public:
    // Not interrupted when the writer ends: keeping never waits for a server.
    ArchiveKeeperWorker(std::shared_ptr<ArchiveWriterLink> link, const ArchiveTarget& target,
                        const QString& local, ArchiveWriterWorker* deliverer)
        : ArchiveThreadWorker(target, local, {}), link_(std::move(link)), deliverer_(deliverer)
    {
    }

    // Opens (creates, migrates) what keeping will write, now rather than with the first
    // download.
    void Prepare() { Session().PrepareJournal(); }

    // Keeps the download, then hands it on: delivered by the writer's thread, or written
    // there when this PC could not keep it (it waits as long as a write may).
    void Keep(const ArchiveSubmission& submission)
    {
        const ArchiveSession::Outcome kept = Session().Journal(submission);
        const QMutexLocker lock(&link_->mutex);
        ArchiveWriter* writer = link_->writer;
        if (!writer)
            return; // the writer is ending: what is kept goes at the next connection
        if (kept.result) {
            QMetaObject::invokeMethod(
                writer,
                [writer, r = *kept.result] {
                    Q_EMIT writer->Written(r.downloadId, r.newRecords, r.linkedRecords);
                },
                Qt::QueuedConnection);
        } else if (kept.queued) {
            QMetaObject::invokeMethod(
                deliverer_, [w = deliverer_, submission] { w->Deliver(submission); },
                Qt::QueuedConnection);
        } else {
            QMetaObject::invokeMethod(
                deliverer_, [w = deliverer_, submission] { w->Write(submission); },
                Qt::QueuedConnection);
        }
    }

private:
    std::shared_ptr<ArchiveWriterLink> link_;
    ArchiveWriterWorker* deliverer_;
};

ArchiveWriter::ArchiveWriter(const ArchiveTarget& target, QObject* parent, const QString& localPath)
    : QObject(parent), target_(target), localPath_(localPath),
      interrupt_(std::make_shared<ServerInterrupt>()), link_(std::make_shared<ArchiveWriterLink>()),
      thread_(new QThread), worker_(new ArchiveWriterWorker(link_, target, localPath, interrupt_)),
      keeperThread_(new QThread),
      keeper_(new ArchiveKeeperWorker(link_, target, localPath, worker_))
{
    link_->writer = this;
    thread_->setObjectName(QStringLiteral("archive writer"));
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    keeperThread_->setObjectName(QStringLiteral("archive keeper"));
    keeper_->moveToThread(keeperThread_);
    connect(keeperThread_, &QThread::finished, keeper_, &QObject::deleteLater);
    connect(this, &ArchiveWriter::WriteFailed, this, &ArchiveWriter::OnFailure);
    thread_->start(QThread::LowPriority);
    keeperThread_->start();
    QMetaObject::invokeMethod(
        keeper_, [k = keeper_] { k->Prepare(); }, Qt::QueuedConnection);
    // What waits on this PC for the archive goes as soon as it can be reached.
    DeliverPending();
}

ArchiveWriter::~ArchiveWriter()
{
    // No wait on the server from now on: the one running ends at once (its transaction is
    // undone by the server), and what was not delivered stays in the local file.
    interrupt_->Fire();
    {
        const QMutexLocker lock(&link_->mutex);
        link_->writer = nullptr;
    }
    // Queued behind every submission, so that those handed over are kept on this PC first;
    // the wait is long only while some are (an SQLite file another program holds).
    QMetaObject::invokeMethod(
        keeper_, [k = keeper_] { k->Stop(); }, Qt::QueuedConnection);
    if (keeperThread_->wait(unkept_->load() > 0 ? kKeepLimitMs : kStopLimitMs))
        delete keeperThread_;
    else
        connect(keeperThread_, &QThread::finished, keeperThread_, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->Stop(); }, Qt::QueuedConnection);
    if (thread_->wait(kStopLimitMs)) {
        delete thread_;
        return;
    }
    // A wait that nothing can cut (a server that does not answer the connection, bounded by
    // its connect timeout): the program ends regardless, and the thread with it; should the
    // process go on, the thread ends within the server limits and goes.
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
}

void ArchiveWriter::Submit(const DownloadFacts& facts, const QList<QStringList>& rows,
                           const ThresholdTable& limits)
{
    Submit(ArchiveSubmission{facts, rows, limits});
}

void ArchiveWriter::Submit(const ArchiveSubmission& submission)
{
    // The keeper's thread keeps it; this thread waits for that, within a limit, so that
    // what follows the download (its box) comes once it is kept, and never freezes long.
    const auto kept = std::make_shared<QSemaphore>();
    ++*unkept_;
    QMetaObject::invokeMethod(
        keeper_,
        [k = keeper_, submission, kept, unkept = unkept_] {
            k->Keep(submission);
            --*unkept;
            kept->release();
        },
        Qt::QueuedConnection);
    kept->tryAcquire(1, kKeepWaitMs);
}

void ArchiveWriter::AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits)
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_, downloads, limits] { w->Attach(downloads, limits); },
        Qt::QueuedConnection);
}

void ArchiveWriter::Assign(const QUuid& download, const QList<int>& positions,
                           const RecordPlace& change)
{
    QMetaObject::invokeMethod(
        worker_,
        [w = worker_, download, positions, change] { w->Assign(download, positions, change); },
        Qt::QueuedConnection);
}

void ArchiveWriter::ReadPlaceTexts()
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->ReadPlaceTexts(); }, Qt::QueuedConnection);
}

void ArchiveWriter::ReadPlaces(const QUuid& download)
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_, download] { w->ReadPlaces(download); }, Qt::QueuedConnection);
}

void ArchiveWriter::DeliverPending()
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->DeliverPending(); }, Qt::QueuedConnection);
}

void ArchiveWriter::SetTarget(const ArchiveTarget& target)
{
    reported_ = false;
    target_ = target;
    QMetaObject::invokeMethod(
        keeper_,
        [k = keeper_, target] {
            k->SetTarget(target);
            k->Prepare();
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        worker_, [w = worker_, target] { w->SetTarget(target); }, Qt::QueuedConnection);
    DeliverPending();
}

void ArchiveWriter::OnFailure(const QString& message, bool)
{
    if (reported_)
        return;
    reported_ = true;
    Q_EMIT Failed(message);
}
