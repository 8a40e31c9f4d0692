#include "archiving/ArchiveWriter.h"

#include "archiving/ArchiveSession.h"

#include <QCoreApplication>
#include <memory>

// Lives on the writer's thread; the session (and so every connection) is made, used and
// destroyed there.
class ArchiveWriterWorker : public QObject
{
public:
    ArchiveWriterWorker(ArchiveWriter* writer, const ArchiveTarget& target, const QString& local)
        : writer_(writer), target_(target), localPath_(local)
    {
    }

    void SetTarget(const ArchiveTarget& target)
    {
        session_.reset();
        target_ = target;
    }

    void Write(const ArchiveSubmission& submission)
    {
        const ArchiveSession::Outcome outcome = Session().Submit(submission);
        if (outcome.delivered > 0)
            Report([w = writer_, n = outcome.delivered] { Q_EMIT w->Delivered(n); });
        if (outcome.result) {
            Report([w = writer_, r = *outcome.result] {
                Q_EMIT w->Written(r.downloadId, r.newRecords, r.linkedRecords);
            });
        } else {
            Report([w = writer_, m = outcome.error, q = outcome.queued] {
                Q_EMIT w->WriteFailed(m, q);
            });
        }
    }

    void Attach(const QList<QUuid>& downloads, const ThresholdTable& limits)
    {
        ArchiveStore& store = Session().Store();
        if (const std::optional<int> attached = store.AttachLimits(downloads, limits)) {
            Report([w = writer_, n = *attached] { Q_EMIT w->LimitsAttached(n); });
            return;
        }
        Report([w = writer_, m = QCoreApplication::translate("ArchiveStore",
                                                             "The archive could not be written: %1")
                                     .arg(store.Error())] { Q_EMIT w->WriteFailed(m, false); });
    }

    void Deliver()
    {
        QString error;
        const std::optional<int> delivered = Session().DeliverPending(&error);
        if (delivered && *delivered > 0)
            Report([w = writer_, n = *delivered] { Q_EMIT w->Delivered(n); });
    }

    void Stop()
    {
        session_.reset();
        QThread::currentThread()->quit();
    }

private:
    ArchiveSession& Session()
    {
        if (!session_)
            session_ = std::make_unique<ArchiveSession>(target_, localPath_);
        return *session_;
    }

    template <typename F> void Report(F f)
    {
        QMetaObject::invokeMethod(writer_, std::move(f), Qt::QueuedConnection);
    }

    ArchiveWriter* writer_;
    ArchiveTarget target_;
    QString localPath_;
    std::unique_ptr<ArchiveSession> session_;
};

ArchiveWriter::ArchiveWriter(const ArchiveTarget& target, QObject* parent, const QString& localPath)
    : QObject(parent), worker_(new ArchiveWriterWorker(this, target, localPath))
{
    thread_.setObjectName(QStringLiteral("archive writer"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(this, &ArchiveWriter::WriteFailed, this, &ArchiveWriter::OnFailure);
    thread_.start(QThread::LowPriority);
}

ArchiveWriter::~ArchiveWriter()
{
    // Queued behind every submission, so they are all written first.
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->Stop(); }, Qt::QueuedConnection);
    // Every write is bounded (busy_timeout, the server's connect timeout and keepalives);
    // should one hang all the same, the program still ends. SQLite and PostgreSQL undo a
    // transaction that never committed.
    if (!thread_.wait(kStopLimitMs)) {
        thread_.terminate();
        thread_.wait();
    }
}

void ArchiveWriter::Submit(const DownloadFacts& facts, const QList<QStringList>& rows,
                           const ThresholdTable& limits)
{
    Submit(ArchiveSubmission{facts, rows, limits});
}

void ArchiveWriter::Submit(const ArchiveSubmission& submission)
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_, submission] { w->Write(submission); }, Qt::QueuedConnection);
}

void ArchiveWriter::AttachLimits(const QList<QUuid>& downloads, const ThresholdTable& limits)
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_, downloads, limits] { w->Attach(downloads, limits); },
        Qt::QueuedConnection);
}

void ArchiveWriter::DeliverPending()
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->Deliver(); }, Qt::QueuedConnection);
}

void ArchiveWriter::SetTarget(const ArchiveTarget& target)
{
    reported_ = false;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, target] { w->SetTarget(target); }, Qt::QueuedConnection);
}

void ArchiveWriter::OnFailure(const QString& message, bool)
{
    if (reported_)
        return;
    reported_ = true;
    Q_EMIT Failed(message);
}
