#pragma once

#include "archivedata/ArchiveTypes.h"
#include "verdicts/Verdict.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a job's report says, gathered from the job's archived records.
struct JobReportFacts
{
    QString job;
    QStringList sites;       // sorted; without the empty text
    QStringList technicians; // sorted
    QStringList meters;      // the meters' USB serials, sorted
    QString firstMeasured;   // ISO date-time; empty when no record's text is a date
    QString lastMeasured;
    int records = 0;
    VerdictCounts counts; // each record judged by the limits kept with it
    // The records site by site (as `sites`, then those without a site), each oldest first.
    struct Site
    {
        QString site; // empty: the records without a site
        QList<ArchivedRecord> records;
    };
    QList<Site> bySite;
    // Per group, the limits the newest record of it was judged by: what the chart draws.
    ThresholdTable limits;
};

JobReportFacts GatherJobReport(const QString& job, const QList<ArchivedRecord>& records);
