#pragma once

#include "jobs/JobReport.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

// A job's report as an A4 PDF document, for the customer or the office: a cover (the job,
// its sites, technicians, first and last measurement, meters, the verdict counts), the
// power chart, a table of records per site with each record's ONT and PON port, and lines
// for the technician's and the customer's signatures. Laid out and printed as the test
// report is (export/PdfReport). Nothing when it cannot be made.
std::optional<QByteArray> BuildJobReport(const JobReportFacts& facts, const QDateTime& when);
