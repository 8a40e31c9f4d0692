#pragma once

#include <QByteArrayView>

// Whether the BIFF records of a workbook stream (`stream`, the bytes FreeXL reads as the
// workbook) are sound where FreeXL 1.0.6 trusts them: every record inside the stream and no
// longer than FreeXL's 8224-byte record buffer, a BIFF5 or BIFF8 BOF first, every sheet's
// offset that of a BOF; one shared string table whose strings, split over CONTINUE records,
// stay inside the records FreeXL reads them from; FORMAT, LABEL and sheet names within
// their records; no more XF records than FreeXL's table holds; a DIMENSION of at most 65536
// rows by 256 columns; cell records long enough for what FreeXL reads and their cells in
// column 256 at most and inside the sheet's DIMENSION. FreeXL reads past its buffers,
// overflows its cell count and frees memory twice on such damage.
bool IsSoundBiffStream(QByteArrayView stream);
