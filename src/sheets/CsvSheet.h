#pragma once

#include "sheets/Sheet.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <memory>

class QIODevice;

// CSV as RFC 4180 describes it, and as our export writes it: fields split by commas, a
// field in double quotes may hold commas, line breaks and doubled quotes; lines end in
// CR LF, LF or CR; the comma that ends every line of our export only adds an empty cell.
// The text is UTF-8, or else GB18030 (what a desktop on Chinese Windows writes), either
// with or without a byte-order mark; a U+FEFF that begins a field is kept. Only the first
// `rows` lines are read, and no more than SheetLimits::kCsvBytes up to their end.

// Reads the open `device` from its current position. Nothing, with `reason`, when it is not
// text in either encoding, cannot be read, or its first lines are too long.
std::unique_ptr<Sheet> ReadCsvSheet(QIODevice& device, QString* reason, int rows = Sheet::kRows);

// One field typed as a spreadsheet program types it when it opens a CSV file: a field
// that is wholly a decimal number (blanks around it allowed, finite as a double) is a
// number ("   -12.30" is -12.3); a date or date-time with a four-digit year first
// ("2012-05-07 09:03", "2012/5/7 9:03:00") is a date or a date-time; any other field is
// text.
struct CsvValue
{
    enum class Kind { Text, Number, Date, DateTime };
    Kind kind = Kind::Text;
    double number = 0.0;
    QDate date;
    QTime time;
};
CsvValue TypeCsvField(const QString& field);

// The field as the sheet shows it once typed: a number as its plain text ("-12.3"), a
// date or date-time in the record format ("2012-5-7 9:03"), text as it is.
QString CsvCellText(const QString& field);
