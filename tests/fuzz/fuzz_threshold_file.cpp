// Threshold files through the reader of the threshold page and of qx390d-cli.
//
// Input: the file's bytes, given to ParseThresholdFile, which ReadThresholdFile hands what
// it reads of a file (no more than 1 MB). The seeds are a file the program writes, one with
// names that need escapes, and files with each fault the reader names.
//
// Invariants: the file is read, or it is not and a reason says why; a file read holds
// limits within -65...30 (single precision); written again by ThresholdFileJson it reads
// back with the same limits and names, and that text reads back as itself; each limit's
// cell text (LimitCellText) reads back as exactly the limit.
#include "FuzzTargets.h"
#include "common/NumberText.h"
#include "common/PowerRange.h"
#include "thresholds/ThresholdFile.h"

int FuzzThresholdFile(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<ThresholdFile> file = ParseThresholdFile(json, &error);
    if (!file) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        for (const float limit : file->table.Group(g).limits) {
            FUZZ_CHECK(IsPowerInRange(limit));
            FUZZ_CHECK(float(LeadingNumber(LimitCellText(limit))) == limit);
        }
    }

    const QByteArray written = ThresholdFileJson(*file);
    const std::optional<ThresholdFile> again = ParseThresholdFile(written, &error);
    FUZZ_CHECK(again.has_value());
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        FUZZ_CHECK(again->table.Group(g).limits == file->table.Group(g).limits);
    FUZZ_CHECK(again->names == file->names);
    FUZZ_CHECK(ThresholdFileJson(*again) == written);
    return 0;
}
