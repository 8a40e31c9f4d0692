#pragma once

#include <QString>
#include <functional>

class FileDialogs;
class Prompter;
class QWidget;
class RecordTable;

// Filter of the open dialog: CSV files, Excel 97-2003 workbooks and Excel workbooks of today.
inline const QString importFilter =
    QStringLiteral("Csv File (*.csv);;Excel File (*.xls);;Excel Workbook (*.xlsx)");

// The import as the operator sees it: asks for a file and replaces the table's rows with
// the records in it. The first cell must be "No." or "序号"; rows 2 to 100 are read up to
// the first one whose A cell is empty, columns A to G; a text in B to G that starts with
// "." gets a "0" in front. storedRecordCount becomes 0: the rows are no longer the
// meter's records. The file is only read, and a file that cannot be read as a sheet
// leaves the table as it was. `busy` is called once a file has been chosen, before
// anything else; what it shows lasts until the function returns. Boxes are owned by
// `owner`.
void ImportRecordTable(RecordTable& table, Prompter& prompter, FileDialogs& dialogs, QWidget* owner,
                       const std::function<void()>& busy = {});
