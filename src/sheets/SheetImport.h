#pragma once

#include "verdicts/RecordRow.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class FileDialogs;
class Prompter;
class QWidget;
class Sheet;

// Filter of the open dialog: CSV files, Excel 97-2003 workbooks and Excel workbooks of today.
// A translation names the kinds in its language; the patterns stay.
inline QString importFilter()
{
    return QCoreApplication::translate(
        "Import", "Csv File (*.csv);;Excel File (*.xls);;Excel Workbook (*.xlsx)");
}

// What the import tells the operator, in the desktop's language. Every box has the caption
// promptCaption().
namespace ImportText {
// The file's first cell is not a known header.
inline QString BadHeader()
{
    return QCoreApplication::translate("Import", "An error occurred downloading data!");
}
// The import got past the header (the trailing blank is part of the text).
inline QString Succeeded()
{
    return QCoreApplication::translate("Import",
                                       "Data already successful export to Management software! ");
}
// Followed by the file's full path, CR LF and the reason.
inline QString Unreadable()
{
    return QCoreApplication::translate(
        "Import", "The file cannot be read as a table; the table has been left as it was.\r\n");
}
} // namespace ImportText

// The records a table of the data page holds at most, as a full meter does.
inline constexpr int kPageRecords = 100;

// The records of a record table (seven texts each): the first cell must be "No." or "序号";
// the sheet's rows from 2 are read up to the first one whose A cell is empty, columns A to G; a
// text in B to G that starts with "." gets a "0" in front. Nothing when the first cell is neither.
// The import and the archive's import read files by this one rule.
std::optional<QList<QStringList>> RecordRows(const Sheet& sheet);

// Takes the rows read from a file in place of the table's rows; `inFile` is how many records
// the file holds, more than `rows` when it holds more than a page takes.
using ReplaceRows = std::function<void(const QList<RecordRow>& rows, qsizetype inFile)>;

// The import as the operator sees it: asks for a file and has `replace` put its first
// kPageRecords records (RecordRows, each read once by RecordRow::FromTexts) in place of the
// table's rows. The file is
// only read, and a file that cannot be read as a sheet, or whose first cell is wrong, leaves the
// table as it was. `busy` is called once a file has been chosen, before anything else; what it
// shows lasts until the function returns. Boxes are owned by `owner`.
void ImportRecordTable(Prompter& prompter, FileDialogs& dialogs, QWidget* owner,
                       const ReplaceRows& replace, const std::function<void()>& busy = {});
