#pragma once

#include "records/RecordDownload.h"
#include "records/RecordPlace.h"
#include "records/RecordTable.h"
#include "verdicts/ChartPlan.h"
#include "verdicts/Verdict.h"
#include "verdicts/VerdictModel.h"

#include "common/TabPage.h"
#include "link/MeterMessage.h"

#include <QTimer>

class DeviceLink;
class FileDialogs;
class Prompter;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The "DownLoad Data" page: the record table, filled by downloads and emptied by delete
// acknowledgments, and the two buttons that export and import it. Once the limits of a
// record's threshold group are known, its power cells show their verdicts and a line under
// the table counts the records per verdict.
class RecordsPage : public TabPage, public MeterMessageTarget
{
    Q_OBJECT

public:
    RecordsPage(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs,
                QWidget* parent = nullptr);

    void OnExportCsv();
    void OnExportWorkbook();
    // File/Export Report (PDF): the table, its verdicts and the chart as a PDF report; the
    // chart as `chart` chooses, else for the group most records use.
    void OnExportReport(const std::optional<ChartChoice>& chart = std::nullopt);
    void OnImportSheet();
    // Fills the table with `rows` from the archive as an import fills it: they replace the
    // table's rows, nothing can be deleted by row any more, and the import's message says
    // so. The caller keeps to the meter's number of records and to no running download.
    void OpenRows(const QList<QStringList>& rows);
    // Where the table's records were measured, as the archive has it: one place per row,
    // until the rows change. The workbook and the report carry them; the CSV file does not.
    void SetPlaces(const QList<RecordPlace>& places);
    // The rows' places; none when they are not known for the rows as they stand.
    const QList<RecordPlace>& Places() const { return places_; }
    void OnMeterRecord(const QByteArray& copy);
    void OnRecordDeleted(int recordNumber);

    RecordTable& Table() { return table_; }
    // The limits the verdicts are judged by; the view keeps them equal to the threshold
    // page's.
    KnownLimits& Limits() { return limits_; }
    QTableView* List() const { return list_; }
    QPushButton* ExportButton() const { return exportButton_; }
    QPushButton* ImportButton() const { return importButton_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    QLabel* ProgressText() const { return progressText_; }
    // Records per verdict; hidden while no record has one.
    QLabel* VerdictSummary() const { return verdictSummary_; }

    // The records and the delete acknowledgments; the rest is meant for other pages.
    void OnMeterMessage(const MeterMessage& message) override;

Q_SIGNALS:
    // A download has ended (once per download): how, the records the meter announced, how
    // many arrived and the rows as the table shows them.
    void DownloadEnded(DownloadEnding how, int expected, int arrived,
                       const QList<QStringList>& rows);
    // An import has put the rows of `file` in the table (an import that brought no rows is
    // not told).
    void ImportSucceeded(const QString& file, const QList<QStringList>& rows);

private:
    // The rows of a file (or of the archive) in place of the table's.
    void ReplaceWithFileRows(const QList<RecordRow>& rows);
    void ShowProgress();
    // A download's rows, progress and summary reach the screen at the display's pace: from
    // the first answer of a burst the page holds its painting, and once per frame it shows
    // what has arrived, so no answer waits for the window.
    void HoldPainting();
    void ShowFrame();
    void ShowVerdictSummary();

    DeviceLink& link_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    RecordTable table_;
    RecordDownload download_;
    KnownLimits limits_;
    VerdictModel verdicts_;
    QList<RecordPlace> places_;
    QString exportPath_;
    QTableView* list_;
    QPushButton* exportButton_;
    QPushButton* importButton_;
    // Beside the buttons while a download runs.
    QProgressBar* progressBar_;
    QLabel* progressText_;
    // Shown by progressText_ when no download runs: what the last import left out of the
    // page, until the table's rows change.
    QString fileNote_;
    // The file the table's rows were read from; empty when they came from the meter or the
    // archive.
    QString sourceFile_;
    QLabel* verdictSummary_;
    // Counts once after a burst of changes (a download sets a row's cells one by one).
    QTimer summaryTimer_;
    QTimer frame_;
};
