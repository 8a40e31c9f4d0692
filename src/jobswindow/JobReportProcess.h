#pragma once

#include "archive/location/ArchiveTarget.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QTimer>

// A job's report drawn by qx390d-job-report (jobs/JobReport.h) while the window goes on: a
// report of thousands of records takes seconds to lay out. Finished comes once, with the
// document or, when it is empty, why there is none; the drawer is stopped after
// kJobReportLimitMs or when this object goes.
class JobReportProcess : public QObject
{
    Q_OBJECT

public:
    JobReportProcess(const ArchiveTarget& target, const QString& job, QObject* parent = nullptr);
    ~JobReportProcess() override;

    void Start();

Q_SIGNALS:
    void Finished(const QByteArray& pdf, const QString& error);

private:
    void End(const QByteArray& pdf, const QString& error);

    QString location_;
    QString job_;
    QProcess process_;
    QTimer limit_;
    bool ended_ = false;
};
