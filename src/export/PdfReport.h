#pragma once

#include "export/TableTexts.h"
#include "link/PortIdentity.h"
#include "verdicts/ChartPlan.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

class FileDialogs;
class JudgedTable;
class Prompter;
class QWidget;

// Filter of the report's save dialog.
inline QString pdfFilter()
{
    return QCoreApplication::translate("Export", "PDF Report (*.pdf)");
}

// What a report is made of besides the records.
struct ReportFacts
{
    QDateTime when;
    QString device;     // the meter's port; empty when none was used
    QString file;       // the file the records were read from, named instead of the device
    PortIdentity meter; // what the system reports of the port's USB device
    QString login;      // the operator's login name
    QString note;       // the download's note in the archive; empty when it has none
    std::array<QString, ThresholdTable::kGroups> groupNames; // index 0: group 1; may be empty
    // What the chart shows; nothing: the group most records use, its first channel.
    std::optional<ChartChoice> chart;
    // Where the records were measured, as given them in the archive: the headers as shown,
    // then a row for each record that has a place (its "No." first); empty when none has.
    TableTexts places;
};

// The test report as an A4 PDF document: title, date, device, the meter's USB identity
// where known, operator, note, program version, record count, the verdict summary, the
// power chart (vector graphics), the table with its verdicts (power cells coloured, a
// verdict column), where the records were measured when they have a place, and the limits
// of the threshold groups the records use, groups named
// where their names are known. Laid out as rich text and printed by Qt's own PDF writer.
// `table`'s rows come with their verdicts, judged once by the limits the report shows;
// `headers` are the files' column headers. Nothing when it cannot be made.
std::optional<QByteArray> BuildPdfReport(const QStringList& headers, const JudgedTable& table,
                                         const ReportFacts& facts);

// How the reports go to paper, for other reports too. Where `html` holds ReportChartPlace(),
// the power chart of `chartTable`'s rows (as `choice` chooses; nothing: the default) is
// drawn as vector graphics; the text is laid out on A4 pages with margins of 2 cm. Nothing
// when it cannot be made.
QString ReportChartPlace();
std::optional<QByteArray> PrintReportHtml(const QString& html, const QString& title,
                                          const JudgedTable& chartTable,
                                          std::optional<ChartChoice> choice);
// The report's verdict summary: a heading, the counts' line and a cell per verdict in its
// colour.
QString VerdictSummaryHtml(const VerdictCounts& counts);
// A table cell, shaded in a verdict's colour when one is given; `text` is HTML already.
QString ReportCell(const QString& text, const std::optional<Verdict>& verdict = std::nullopt,
                   const char* tag = "td");

// File/Export Report (PDF): asks for a file, ".pdf" appended when missing, and writes the
// report with the export's rules for existing and locked files and its messages.
// `exportPath` receives the path used. Boxes are owned by `owner`.
void ExportRecordReport(const QStringList& headers, const JudgedTable& table,
                        const ReportFacts& facts, Prompter& prompter, FileDialogs& dialogs,
                        QWidget* owner, QString& exportPath);
