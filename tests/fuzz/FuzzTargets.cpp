#include "FuzzTargets.h"

// A target for the sheet readers of the import belongs here too (see README.md).
const QList<FuzzTarget>& FuzzTargets()
{
    static const QList<FuzzTarget> targets{
        {"response_stream", FuzzResponseStream},
        {"record_download", FuzzRecordDownload},
        {"csv_writer", FuzzCsvWriter},
        {"virtual_meter", FuzzVirtualMeter},
    };
    return targets;
}
