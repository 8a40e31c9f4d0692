#pragma once

#include "sheets/Sheet.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// The start of every zip archive, and so of every Excel workbook of today (.xlsx): the
// header of its first member.
inline const QByteArray kZipSignature = QByteArrayLiteral("PK\x03\x04");

bool IsZipArchive(const QByteArray& start);

// Reads the first worksheet of the .xlsx workbook `workbook` (the file's bytes): the package's
// relationships lead to the workbook and from it to its first worksheet, whose cells are
// read (the first `rows` rows) with the shared strings and the number formats they use. Numbers
// come as their plain decimal text, cells whose number format shows a date or a time in the record
// format, texts (shared, inline or a formula's result) as they are, booleans as "TRUE" and
// "FALSE", error values as their code ("#DIV/0!"). Nothing, with `reason`, when the file
// is not a zip archive that can be read, holds no workbook, or is damaged; a part is read
// no further than SheetLimits::kZipPartBytes once unpacked, and an archive of more than
// SheetLimits::kZipMembers members is refused.
std::unique_ptr<Sheet> ReadXlsxSheet(QByteArrayView workbook, QString* reason,
                                     int rows = Sheet::kRows);
