#include "jobswindow/JobReportProcess.h"

#include "jobs/JobReport.h"

#include <QCoreApplication>

JobReportProcess::JobReportProcess(const ArchiveTarget& target, const QString& job, QObject* parent)
    : QObject(parent), location_(target.Display()), job_(job)
{
    limit_.setSingleShot(true);
    connect(&limit_, &QTimer::timeout, this, [this] {
        process_.kill();
        End({}, tr("it was not drawn within %1 s").arg(kJobReportLimitMs / 1000));
    });
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            End({}, process_.errorString());
    });
    connect(&process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        const QByteArray pdf = process_.readAllStandardOutput();
        if (status == QProcess::NormalExit && code == 0 && pdf.startsWith("%PDF-"))
            End(pdf, {});
        else
            End({}, QString::fromLocal8Bit(process_.readAllStandardError()).trimmed());
    });
}

JobReportProcess::~JobReportProcess()
{
    // A window closed while its report is drawn leaves no drawer behind.
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

void JobReportProcess::Start()
{
    limit_.start(kJobReportLimitMs);
    process_.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + jobReportDrawerName,
                   JobReportDrawerArguments(location_, job_));
}

void JobReportProcess::End(const QByteArray& pdf, const QString& error)
{
    if (ended_)
        return;
    ended_ = true;
    limit_.stop();
    emit Finished(pdf, error);
}
