// CSV files through the import's reader.
//
// Input: the file's bytes, read from memory by ReadSheet, the entry the import's OpenSheet
// uses for a file; an .xls workbook is read in this process. The seeds are
// CSV text (UTF-8 with and without a byte-order mark, GB18030, quoted fields, CR, LF and
// CR LF line ends); bytes that start like a workbook go to the other readers.
//
// Invariants: those of CheckSheetBytes (SheetChecks.h): the file opens or a reason says
// why; nothing outside A1:G101; every cell is text the table can hold and that the reader's
// typing leaves as it is.
#include "FuzzTargets.h"
#include "SheetChecks.h"

int FuzzCsvReader(const uint8_t* data, size_t size)
{
    CheckSheetBytes(QByteArrayView(data, qsizetype(size)));
    return 0;
}
