#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the sheet reader targets share. The readers take a path, so an input becomes a file
// in a temporary folder of this process's own, rewritten for every input.

// Rows of seven cell texts; a sheet's are its rows 1 to 100.
using SheetRows = QList<QStringList>;

// The path of the file `name` in the process's temporary folder.
QString FuzzPath(const QString& name);
// Writes `bytes` to the file `name` in the process's temporary folder; its path.
QString FuzzFile(const QString& name, QByteArrayView bytes);

// `bytes` as a file that the import opens with OpenSheet, checked for what every reader
// keeps: the file opens as a sheet, or it does not and a reason says why; the same bytes
// under another name (".csv" and ".xls") give the same cells or the same reason; nothing is
// answered outside A1:G100; every cell is text the table can hold (no U+0000, no lone
// surrogate); a sheet read as CSV holds only texts that its typing leaves as they are; and
// the cells written by the CSV export read back as CheckExportReadsBack says. The sheet's
// rows when it opened.
std::optional<SheetRows> CheckSheetBytes(QByteArrayView bytes);

// The table rows `rows` (seven texts each) written by BuildCsv and opened by OpenSheet: the
// file opens; line 1 holds the headers, line r + 2 row r, up to line 100, each cell as the
// reader types the written text (CsvCellText); nothing beyond.
void CheckExportReadsBack(const SheetRows& rows);
