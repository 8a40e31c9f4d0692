// A download kept on this PC until its server takes it, as the program reads it back from
// the local file (SubmissionFromJson): an entry written by another version of the program,
// or damaged on the disk, must be refused whole or read whole.
//
// Input: the entry's JSON text. The seeds are entries the program writes (a download with
// limits, an import, a download with LOW readings and no limits) and damaged ones.
//
// Invariants: an entry read, written again by SubmissionToJson, reads back as the same
// entry, and that text is written again unchanged (nothing the program reads is lost or
// changed by its next write).
#include "FuzzTargets.h"
#include "archive/data/SubmissionJson.h"

int FuzzPendingEntry(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<ArchiveSubmission> entry = SubmissionFromJson(json);
    if (!entry)
        return 0;
    const QByteArray written = SubmissionToJson(*entry);
    const std::optional<ArchiveSubmission> again = SubmissionFromJson(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(SubmissionToJson(*again) == written);
    FUZZ_CHECK(again->rows == entry->rows);
    FUZZ_CHECK(again->facts.uuid == entry->facts.uuid);
    return 0;
}
