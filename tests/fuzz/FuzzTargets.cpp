#include "FuzzTargets.h"

const QList<FuzzTarget>& FuzzTargets()
{
    static const QList<FuzzTarget> targets{
        {"response_stream", FuzzResponseStream}, {"record_download", FuzzRecordDownload},
        {"csv_writer", FuzzCsvWriter},           {"virtual_meter", FuzzVirtualMeter},
        {"csv_reader", FuzzCsvReader},           {"csv_roundtrip", FuzzCsvRoundTrip},
        {"xls_reader", FuzzXlsReader},           {"xlsx_reader", FuzzXlsxReader},
        {"threshold_file", FuzzThresholdFile},   {"xls_answer", FuzzXlsAnswer},
        {"record_key", FuzzRecordKey},           {"pending_entry", FuzzPendingEntry},
        {"archive_location", FuzzArchiveLocation},
    };
    return targets;
}
