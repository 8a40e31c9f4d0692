#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archive/location/ArchiveTarget.h"
#include "archivewindow/PlaceHistoryDialog.h"
#include "jobswindow/AssignPlaceDialog.h"
#include "jobswindow/OntHistoryWindow.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class ArchiveRecordModel;
class JobReportProcess;
class QAction;
class QStringListModel;
class FileDialogs;
class Prompter;
class QAbstractProxyModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ThresholdTable;

// View/Archive...: the archived records, newest first, read a page at a time as the list
// scrolls. Filters a technician uses (measurement dates, threshold group, verdict, a text of
// the download's note, a job, an ONT) narrow the list as they change. Each row shows the data
// page's seven texts with its verdict colours (by the limits kept with the record), the time of the
// download that first brought it and that download's note, which the operator edits in
// place, and the job, site, ONT, PON port and technician assigned to it. The selected
// records go to the data page or into the data page's exports, or are given a job.
class ArchiveWindow : public QWidget
{
    Q_OBJECT

public:
    ArchiveWindow(const ArchiveTarget& target, Prompter& prompter, FileDialogs& dialogs,
                  QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    // Reads `target` from now on (Archive Settings changed it).
    void SetTarget(const ArchiveTarget& target);
    // Adds the records archived since the list was read (a download was archived), each in
    // its place: the selection, the scroll position and a note being typed stay.
    void Refresh();
    // Reads the list again from the top (records were given places elsewhere).
    void Reread();
    // A line the status keeps after the record count (downloads kept on this PC that were
    // sent).
    void SetNotice(const QString& notice);

    // The filters as the controls set them.
    ArchiveFilter Filter() const;
    // The selected records' seven texts in the data page's order: by the download that
    // first brought them, then by their "No.".
    QList<QStringList> SelectedRows() const;
    // Their places, in the same order.
    QList<RecordPlace> SelectedPlaces() const;
    QList<qint64> SelectedIds() const;

    // "Open in Data Page": the selection, at most the meter's number of records.
    void OnOpenInDataPage();
    void OnExportCsv();
    void OnExportWorkbook();
    void OnExportReport();
    // "Jobs" > "Assign Job...": the job, site, ONT, PON port and technician of the selected
    // records.
    void OnAssignJob();
    // "ONT History...": every record of the selected record's ONT, read on the window's
    // reader thread, in a window of its own.
    void OnOntHistory();
    // "Place History...": every assignment of the selected records' places, read on the
    // reader thread, in a dialog of its own.
    void OnPlaceHistory();
    // "Job Report (PDF)...": every record of the selected record's job, read on the reader
    // thread, then saved as the job's report.
    void OnJobReport();

    QTableView* List() const { return list_; }
    ArchiveRecordModel* Model() const { return model_.get(); }
    QCheckBox* SinceCheck() const { return sinceCheck_; }
    QDateEdit* Since() const { return since_; }
    QCheckBox* UntilCheck() const { return untilCheck_; }
    QDateEdit* Until() const { return until_; }
    QComboBox* Group() const { return group_; }
    QComboBox* VerdictChoice() const { return verdict_; }
    QLineEdit* NoteFilter() const { return note_; }
    QLineEdit* JobFilter() const { return job_; }
    QLineEdit* OntFilter() const { return ont_; }
    // The job commands' button: its menu holds the actions below.
    QPushButton* JobsButton() const { return jobsButton_; }
    QAction* AssignAction() const { return assignAction_; }
    // The Assign Job dialog while it is open.
    AssignPlaceDialog* AssignDialog() const { return assignDialog_; }
    QAction* HistoryAction() const { return historyAction_; }
    // The last ONT History window while it is open.
    OntHistoryWindow* History() const { return history_; }
    QAction* JobReportAction() const { return jobReportAction_; }
    QAction* PlaceHistoryAction() const { return placeHistoryAction_; }
    // The last Place History dialog while it is open.
    PlaceHistoryDialog* PlaceHistory() const { return placeHistory_; }
    QLabel* Status() const { return status_; }
    QPushButton* RetryButton() const { return retryButton_; }
    QPushButton* OpenButton() const { return openButton_; }
    QPushButton* CsvButton() const { return csvButton_; }
    QPushButton* WorkbookButton() const { return workbookButton_; }
    QPushButton* ReportButton() const { return reportButton_; }

    // A note the archive could not keep; %1 is why.
    static QString noteFailedText() { return tr("The note could not be kept in the archive: %1"); }
    // A place the archive could not keep; %1 is why.
    static QString placeFailedText()
    {
        return tr("The job could not be assigned in the archive: %1");
    }
    // The records of an ONT or a job could not be read; %1 is why.
    static QString readFailedText() { return tr("The records could not be read: %1"); }
    // More records selected than the data page takes; %1 is that number.
    static QString tooManyText()
    {
        return tr("The data page holds at most %1 records; select %1 or fewer.");
    }

Q_SIGNALS:
    // The selected rows for the data page ("Open in Data Page").
    // `ids`: the archive's records of the rows, in their order.
    void OpenInDataPage(const QList<QStringList>& rows, const QList<RecordPlace>& places,
                        const QList<qint64>& ids);
    // Records were given a job here.
    // `change` (PlaceStore::Assign) was given to the records `ids`.
    void PlacesAssigned(const QList<qint64>& ids, const RecordPlace& change);

private:
    void Rebuild(const ArchiveTarget& target);
    void ApplyFilter();
    void ShowStatus();
    void UpdateButtons();
    // The selected record the ONT History and the Job Report are for: the current one when
    // it is selected, else the first selected; nothing without a selection.
    std::optional<int> ChosenRow() const;
    // The selected rows of the model in the data page's order (SelectedRows).
    QList<int> SelectedOrder() const;
    void OnAllRead(quint64 token, const QList<ArchivedRecord>& records, const QString& error);
    // The limits kept with the selected records, the first record's of each group.
    ThresholdTable SelectedLimits() const;

    Prompter& prompter_;
    FileDialogs& dialogs_;
    QString exportPath_;
    std::unique_ptr<ArchiveRecordModel> model_;
    std::unique_ptr<QAbstractProxyModel> colours_;
    QTableView* list_;
    QCheckBox* sinceCheck_;
    QDateEdit* since_;
    QCheckBox* untilCheck_;
    QDateEdit* until_;
    QComboBox* group_;
    QComboBox* verdict_;
    QLineEdit* note_;
    QLineEdit* job_;
    QLineEdit* ont_;
    // The texts the job and ONT filters offer.
    QStringListModel* jobTexts_;
    QStringListModel* ontTexts_;
    QLabel* status_;
    QPushButton* retryButton_;
    QString notice_;
    QString drawing_; // a job's report being drawn
    QPushButton* openButton_;
    QPushButton* csvButton_;
    QPushButton* workbookButton_;
    QPushButton* reportButton_;
    QPushButton* jobsButton_;
    QAction* assignAction_;
    QPointer<AssignPlaceDialog> assignDialog_;
    QAction* historyAction_;
    QAction* placeHistoryAction_;
    QPointer<PlaceHistoryDialog> placeHistory_;
    quint64 placeHistoryRead_ = 0;
    quint64 historyRead_ = 0; // the read of the ONT's records under way
    QString historyOnt_;
    QPointer<OntHistoryWindow> history_;
    QAction* jobReportAction_;
    QPointer<JobReportProcess> jobReport_; // the job's report being drawn
    ArchiveTarget target_;
    // Typing in the note filter reads the archive once the typing pauses.
    QTimer filterTimer_;
};
