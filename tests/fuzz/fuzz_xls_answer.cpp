// The answer of the .xls reader process, as the program reads it from the reader's standard
// output (a reader that was stopped half-way, or wrote something else, must never become a
// table).
//
// Input: the answer's bytes, given to ParseXlsReaderAnswer. The seeds are the answers for
// the import's small fixture and for a workbook that cannot be read, and pieces of them.
//
// Invariants: a sheet, or nothing and a reason; the answer of a sheet or of a reason,
// written again by XlsReaderAnswer, is the input itself (every sheet has one spelling, so
// nothing was dropped, added or changed on the way); nothing is answered outside A1:G101.
#include "FuzzTargets.h"
#include "sheets/Sheet.h"
#include "sheets/XlsReaderProcess.h"

int FuzzXlsAnswer(const uint8_t* data, size_t size)
{
    const QByteArrayView answer(data, qsizetype(size));
    QString reason;
    const std::unique_ptr<Sheet> sheet = ParseXlsReaderAnswer(answer, &reason);
    if (!sheet) {
        FUZZ_CHECK(!reason.isEmpty());
        // An answer that names its reason whole is read as that reason.
        const QByteArray asReason = XlsReaderAnswer(nullptr, reason);
        if (asReason == answer) {
            QString again;
            FUZZ_CHECK(!ParseXlsReaderAnswer(asReason, &again));
            FUZZ_CHECK(again == reason);
        }
        return 0;
    }
    FUZZ_CHECK(XlsReaderAnswer(sheet.get(), {}) == answer);
    FUZZ_CHECK(sheet->CellText('H', 1).isEmpty());
    FUZZ_CHECK(sheet->CellText('A', Sheet::kRows + 1).isEmpty());
    FUZZ_CHECK(sheet->CellText('A', 0).isEmpty());
    return 0;
}
