// Excel 97-2003 workbooks (.xls) through the import's reader (FreeXL).
//
// Input: the file's bytes, read from memory by ReadSheet, the entry the import's OpenSheet
// uses for a file; an .xls workbook is read in this process. The seeds are
// workbooks and broken pieces of them. FreeXL is the system's library, built without the
// fuzzer's coverage, so its inside is explored only by mutations around the seeds.
//
// Invariants: those of CheckSheetBytes (SheetChecks.h): the file opens or a reason says
// why; nothing outside A1:G101; every cell is text the table can hold; the cells written by
// the CSV export read back as the CSV reader types them.
#include "FuzzTargets.h"
#include "SheetChecks.h"

int FuzzXlsReader(const uint8_t* data, size_t size)
{
    CheckSheetBytes(QByteArrayView(data, qsizetype(size)));
    return 0;
}
