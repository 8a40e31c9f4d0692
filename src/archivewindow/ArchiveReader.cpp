#include "archivewindow/ArchiveReader.h"

#include "archive/places/PlaceStore.h"
#include "archive/store/ArchiveStore.h"

#include <QThread>
#include <limits>

namespace {

// Long enough for an idle thread to end, far too short to notice when it cannot.
constexpr int kStopWaitMs = 200;
// With edits still queued: a read held up by its server, then the edits' write, each within
// the store's limits.
constexpr int kEditsWaitMs = 25000;
// The texts each field of a place offers.
constexpr int kRecentTexts = 200;

} // namespace

class ArchiveReader::Worker : public QObject
{
    Q_OBJECT

public:
    explicit Worker(const ArchiveTarget& target) : store_(target) {}

    RecordReadAnswer Run(quint64 token, const RecordRead& read)
    {
        RecordReadAnswer answer = RunOnce(token, read);
        // A server restarted or a connection dropped: opened again once, without a word.
        if (!answer.error.isEmpty() && ConnectionLost())
            answer = RunOnce(token, read);
        return answer;
    }

    RecordReadAnswer RunOnce(quint64 token, const RecordRead& read)
    {
        RecordReadAnswer answer;
        answer.token = token;
        answer.read = read;
        // Read before the records: every record up to it is then in what is read.
        const std::optional<qint64> highWater = store_.LastRecordId();
        if (!highWater)
            return Failed(answer);
        answer.highWater = *highWater;
        if (read.kind != RecordRead::Kind::FirstPage) {
            const std::optional<QList<ArchivedRecord>> fresh = store_.NewRecords(
                read.filter, read.highWater, read.listComplete ? std::nullopt : read.last);
            if (!fresh)
                return Failed(answer);
            answer.fresh = *fresh;
        }
        if (read.kind != RecordRead::Kind::NewOnly) {
            const std::optional<QList<ArchivedRecord>> page = store_.Records(
                read.filter, read.kind == RecordRead::Kind::FirstPage ? std::nullopt : read.last,
                read.pageRows);
            if (!page)
                return Failed(answer);
            answer.page = *page;
        }
        return answer;
    }

    // The last failure lost the server's connection (SQLSTATE class 08, the server shut
    // down or restarted, or no SQLSTATE at all): the store connects again at its next call.
    bool ConnectionLost() const
    {
        const QString& code = store_.ErrorCode();
        return store_.Target().IsServer() &&
               (code.isEmpty() || code.startsWith(QLatin1String("08")) ||
                code == QLatin1String("57P01") || code == QLatin1String("57P02"));
    }

    QString SetNote(qint64 downloadId, const QString& note)
    {
        return store_.SetNote(downloadId, note) ? QString() : store_.Error();
    }

    QString Assign(const QList<qint64>& ids, const RecordPlace& change)
    {
        return PlaceStore(store_).Assign(ids, change) ? QString() : store_.Error();
    }

    std::array<QStringList, RecordPlace::kFields> PlaceTexts()
    {
        // Completion is a help: an archive that cannot say offers nothing.
        return PlaceStore(store_)
            .RecentPlaceTexts(kRecentTexts)
            .value_or(std::array<QStringList, RecordPlace::kFields>());
    }

    QPair<QList<ArchivedRecord>, QString> All(const ArchiveFilter& filter, int limit)
    {
        const std::optional<QList<ArchivedRecord>> records =
            store_.Records(filter, std::nullopt, limit);
        return {records.value_or(QList<ArchivedRecord>()), records ? QString() : store_.Error()};
    }

    std::pair<QList<PlaceChange>, QString> History(const QList<qint64>& ids)
    {
        const std::optional<QList<PlaceChange>> changes = PlaceStore(store_).History(ids);
        return {changes.value_or(QList<PlaceChange>()), changes ? QString() : store_.Error()};
    }

Q_SIGNALS:
    void Answered(const RecordReadAnswer& answer);
    void NoteSet(quint64 token, qint64 downloadId, const QString& note, const QString& error);
    void Assigned(quint64 token, const QList<qint64>& ids, const RecordPlace& change,
                  const QString& error);
    void PlaceTextsRead(const std::array<QStringList, RecordPlace::kFields>& texts);
    void AllRead(quint64 token, const QList<ArchivedRecord>& records, const QString& error);
    void PlaceHistoryRead(quint64 token, const QList<PlaceChange>& changes, const QString& error);

private:
    RecordReadAnswer& Failed(RecordReadAnswer& answer)
    {
        answer.error = store_.Error();
        answer.fresh.clear();
        answer.page.clear();
        return answer;
    }

    ArchiveStore store_;
};

ArchiveReader::ArchiveReader(const ArchiveTarget& target, QObject* parent)
    : QObject(parent), thread_(new QThread), worker_(new Worker(target)),
      latestRead_(std::make_shared<std::atomic<quint64>>(0))
{
    thread_->setObjectName(QStringLiteral("archive reader"));
    worker_->moveToThread(thread_);
    // The store's connection is closed on the thread that opened it.
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    // Emitted on the reader's thread, delivered on the owner's (queued), and no longer once
    // the owner is gone.
    connect(worker_, &Worker::Answered, this, &ArchiveReader::Answered);
    connect(worker_, &Worker::NoteSet, this, &ArchiveReader::NoteSet);
    connect(worker_, &Worker::Assigned, this, &ArchiveReader::Assigned);
    connect(worker_, &Worker::PlaceTextsRead, this, &ArchiveReader::PlaceTextsRead);
    connect(worker_, &Worker::AllRead, this, &ArchiveReader::AllRead);
    connect(worker_, &Worker::PlaceHistoryRead, this, &ArchiveReader::PlaceHistoryRead);
    thread_->start();
}

ArchiveReader::~ArchiveReader()
{
    // Reads still queued are dropped; notes and places typed meanwhile are not: the thread
    // ends only after them, and closing waits for them as long as a read and a write may take.
    latestRead_->store(std::numeric_limits<quint64>::max());
    QMetaObject::invokeMethod(
        worker_, [thread = thread_] { thread->quit(); }, Qt::QueuedConnection);
    if (thread_->wait(edits_->load() > 0 ? kEditsWaitMs : kStopWaitMs)) {
        delete thread_;
        return;
    }
    // Held up by a server: the thread ends on the store's limit and then goes by itself.
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
}

quint64 ArchiveReader::Read(const RecordRead& read)
{
    const quint64 token = ++nextToken_;
    latestRead_->store(token);
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, latest = latestRead_, token, read] {
            if (token < latest->load())
                return; // superseded before it began
            Q_EMIT worker->Answered(worker->Run(token, read));
        },
        Qt::QueuedConnection);
    return token;
}

quint64 ArchiveReader::SetNote(qint64 downloadId, const QString& note)
{
    const quint64 token = ++nextToken_;
    ++*edits_;
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, edits = edits_, token, downloadId, note] {
            Q_EMIT worker->NoteSet(token, downloadId, note, worker->SetNote(downloadId, note));
            --*edits;
        },
        Qt::QueuedConnection);
    return token;
}

quint64 ArchiveReader::Assign(const QList<qint64>& ids, const RecordPlace& change)
{
    const quint64 token = ++nextToken_;
    ++*edits_;
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, edits = edits_, token, ids, change] {
            Q_EMIT worker->Assigned(token, ids, change, worker->Assign(ids, change));
            --*edits;
        },
        Qt::QueuedConnection);
    return token;
}

quint64 ArchiveReader::ReadPlaceTexts()
{
    const quint64 token = ++nextToken_;
    QMetaObject::invokeMethod(
        worker_, [worker = worker_] { Q_EMIT worker->PlaceTextsRead(worker->PlaceTexts()); },
        Qt::QueuedConnection);
    return token;
}

quint64 ArchiveReader::ReadAll(const ArchiveFilter& filter, int limit)
{
    const quint64 token = ++nextToken_;
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, token, filter, limit] {
            const auto [records, error] = worker->All(filter, limit);
            Q_EMIT worker->AllRead(token, records, error);
        },
        Qt::QueuedConnection);
    return token;
}

quint64 ArchiveReader::ReadPlaceHistory(const QList<qint64>& ids)
{
    const quint64 token = ++nextToken_;
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, token, ids] {
            const auto [changes, error] = worker->History(ids);
            Q_EMIT worker->PlaceHistoryRead(token, changes, error);
        },
        Qt::QueuedConnection);
    return token;
}

#include "ArchiveReader.moc"
