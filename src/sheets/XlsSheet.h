#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class Sheet;

// The start of every Excel 97-2003 workbook: the signature of the compound document that
// holds it.
inline const QByteArray kXlsSignature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

bool IsXlsWorkbook(const QByteArray& start);

// Reads the first worksheet of the workbook at `path` (read only) with FreeXL: numbers as
// their plain decimal text, dates and date-times in the record format, texts as they are.
// Nothing, with `reason`, when the workbook cannot be read.
std::unique_ptr<Sheet> ReadXlsSheet(const QString& path, QString* reason);
