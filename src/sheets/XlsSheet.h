#pragma once

#include "sheets/Sheet.h"
#include "xlscheck/CompoundFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>


bool IsXlsWorkbook(const QByteArray& start);

// Reads the first worksheet of the workbook `workbook` (the file's bytes) with FreeXL, in
// this process: numbers as their plain decimal text, dates and date-times in the record
// format, texts as they are; the first `rows` rows. Nothing, with `reason`, when the workbook
// cannot be read or is larger than SheetLimits::kXlsBytes. FreeXL may take minutes over a hostile
// workbook, or crash: the import reads workbooks in the reader process (XlsReaderProcess.h), which
// runs this.
std::unique_ptr<Sheet> ReadXlsSheet(QByteArrayView workbook, QString* reason,
                                    int rows = Sheet::kRows);
