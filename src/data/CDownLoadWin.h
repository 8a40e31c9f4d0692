#pragma once

#include "data/RecordDownload.h"
#include "data/RecordTable.h"

#include "common/TabPage.h"

class FileDialogs;
class Prompter;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The "DownLoad Data" page: the record table, filled by downloads and emptied by delete
// acknowledgments, and the two buttons that export and import it.
class CDownLoadWin : public CTabPage
{
    Q_OBJECT

public:
    CDownLoadWin(Prompter& prompter, FileDialogs& dialogs, QWidget* parent = nullptr);

    void OnExportCsv();
    void OnExportWorkbook();
    void OnImportSheet();
    void OnMeterRecord(const QByteArray& copy);
    void OnRecordDeleted(int recordNumber);

    RecordTable& Table() { return table_; }
    // Full path of the last file chosen for export.
    const QString& ExportPath() const { return exportPath_; }
    QTableView* List() const { return list_; }
    QPushButton* ExportButton() const { return exportButton_; }
    QPushButton* ImportButton() const { return importButton_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    QLabel* ProgressText() const { return progressText_; }

protected:
    void OnMeterMessage(const MeterEvent& message) override;

private:
    void ShowProgress();

    Prompter& prompter_;
    FileDialogs& dialogs_;
    RecordTable table_;
    RecordDownload download_;
    QString exportPath_;
    QTableView* list_;
    QPushButton* exportButton_;
    QPushButton* importButton_;
    // Beside the buttons while a download runs.
    QProgressBar* progressBar_;
    QLabel* progressText_;
};
