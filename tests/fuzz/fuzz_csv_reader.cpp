// CSV files through the import's reader.
//
// Input: the file's bytes, opened with OpenSheet as the import opens a file. The seeds are
// CSV text (UTF-8 with and without a byte-order mark, GB18030, quoted fields, CR, LF and
// CR LF line ends); bytes that start like a workbook go to the other readers.
//
// Invariants: those of CheckSheetBytes (SheetChecks.h): the file opens or a reason says
// why; the same bytes under another name read the same; nothing outside A1:G100; every
// cell is text the table can hold and that the reader's typing leaves as it is; the cells
// written by the CSV export read back the same.
#include "FuzzTargets.h"
#include "SheetChecks.h"

int FuzzCsvReader(const uint8_t* data, size_t size)
{
    CheckSheetBytes(QByteArrayView(data, qsizetype(size)));
    return 0;
}
