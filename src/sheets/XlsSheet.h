#pragma once

#include "sheets/Sheet.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// The start of every Excel 97-2003 workbook: the signature of the compound document that
// holds it.
inline const QByteArray kXlsSignature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

bool IsXlsWorkbook(const QByteArray& start);

// Reads the first worksheet of the workbook `workbook` (the file's bytes) with FreeXL, in
// this process: numbers as their plain decimal text, dates and date-times in the record
// format, texts as they are; the first `rows` rows. Nothing, with `reason`, when the workbook
// cannot be read or is larger than SheetLimits::kXlsBytes. FreeXL may take minutes over a hostile
// workbook, or crash: the import reads workbooks in the reader process (XlsReaderProcess.h), which
// runs this.
std::unique_ptr<Sheet> ReadXlsSheet(QByteArrayView workbook, QString* reason,
                                    int rows = Sheet::kRows);
