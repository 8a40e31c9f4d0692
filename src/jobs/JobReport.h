#pragma once

#include "archive/data/ArchiveTypes.h"
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

// A job's report is drawn by qx390d-job-report, an executable beside the programs: off the
// window's thread (thousands of records take seconds to lay out), and for qx390d-cli, which
// loads no GUI library. It reads the job's records from `location` (ArchiveTarget::Display)
// and writes the PDF document to its standard output.
inline const QString jobReportDrawerName = QStringLiteral("qx390d-job-report");
// How long the drawer may take to start, and then to draw.
inline constexpr int kJobReportLimitMs = 120000;
QStringList JobReportDrawerArguments(const QString& location, const QString& job);
