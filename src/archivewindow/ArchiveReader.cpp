#include "archivewindow/ArchiveReader.h"

#include "archive/ArchiveStore.h"

#include <QThread>

namespace {

// Long enough for an idle thread to end, far too short to notice when it cannot.
constexpr int kStopWaitMs = 200;

} // namespace

class ArchiveReader::Worker : public QObject
{
    Q_OBJECT

public:
    explicit Worker(const ArchiveTarget& target) : store_(target) {}

    RecordReadAnswer Run(quint64 token, const RecordRead& read)
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

    QString SetNote(qint64 downloadId, const QString& note)
    {
        return store_.SetNote(downloadId, note) ? QString() : store_.Error();
    }

Q_SIGNALS:
    void Answered(const RecordReadAnswer& answer);
    void NoteSet(quint64 token, qint64 downloadId, const QString& note, const QString& error);

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
    thread_->start();
}

ArchiveReader::~ArchiveReader()
{
    thread_->quit();
    if (thread_->wait(kStopWaitMs)) {
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
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, token, downloadId, note] {
            Q_EMIT worker->NoteSet(token, downloadId, note, worker->SetNote(downloadId, note));
        },
        Qt::QueuedConnection);
    return token;
}

#include "ArchiveReader.moc"
