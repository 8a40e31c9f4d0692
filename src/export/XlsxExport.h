#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <optional>

class FileDialogs;
class Prompter;
class QWidget;
struct TableTexts;

// Filter of the save dialog for a workbook.
inline QString xlsxFilter()
{
    return QCoreApplication::translate("Export", "Excel Workbook (*.xlsx)");
}

// The table as an Excel workbook (.xlsx) of one sheet: the headers in bold in a frozen
// first row, then one row per record. Each cell holds what a spreadsheet makes of the
// same text in our CSV file (TypeCsvField), so both files import to the same table:
// numbers are number cells (shown with two decimals in the four power columns), dates and
// date-times are date cells shown as "yyyy-m-d" and "yyyy-m-d h:mm" (with ":ss" when the
// seconds are not zero), other texts such as "LOW" are text cells (right-aligned in the
// power columns); the texts given in the archive (TableTexts::givenFrom) are text cells as
// they stand. Columns are as wide as their longest text. The sheet prints landscape,
// one page wide, with the header row on every page. Nothing when a text is too long for a
// cell (32767 characters) or the workbook cannot be made.
std::optional<QByteArray> BuildXlsx(const TableTexts& table);

// The export as the operator sees it (ExportFileAs), to a name ending in ".xlsx".
// `exportPath` receives the path used. Boxes are owned by `owner`.
void ExportRecordWorkbook(const TableTexts& table, Prompter& prompter, FileDialogs& dialogs,
                          QWidget* owner, QString& exportPath);
