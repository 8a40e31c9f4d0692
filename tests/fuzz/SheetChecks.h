#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the sheet reader targets share. The readers are given the bytes in memory
// (ReadSheet on a buffer, the entry that OpenSheet uses for a file), .xls workbooks read in
// this process rather than in the reader process.

// Rows of seven cell texts; a sheet's are its rows 1 to 101, without the empty rows at the
// end.
using SheetRows = QList<QStringList>;

// `bytes` as the content of a file that the import reads, checked for what every reader
// keeps: the file opens as a sheet, or it does not and a reason says why; nothing is
// answered outside A1:G101; every cell is text the table can hold (no U+0000, no lone
// surrogate); a sheet read as CSV holds only texts that its typing leaves as they are; and
// a workbook's cells, written by the CSV export, read back as CheckExportReadsBack says
// (CSV text's round trip is csv_roundtrip's). The sheet's rows when it opened.
std::optional<SheetRows> CheckSheetBytes(QByteArrayView bytes);

// The table rows `rows` (seven texts each) written by BuildCsv and read back: the file
// opens; line 1 holds the headers, line r + 2 row r, up to line 101, each cell as the reader
// types the written text (CsvCellText); nothing beyond.
void CheckExportReadsBack(const SheetRows& rows);
