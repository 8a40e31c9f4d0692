#pragma once

#include "verdicts/RecordRow.h"

#include <QString>
#include <QStringList>
#include <optional>

class ResponseFrame;

// Powers at or below these floors are shown as "LOW": the ONT channels (1270 and 1310 nm)
// read down to -39 dBm, the OLT channels (1490 and 1577 nm) down to -46 dBm.
inline constexpr float ontLowLimit = -39.0f;
inline constexpr float oltLowLimit = -46.0f;

// One record as the meter sends it in answer 0x01. Offsets within the 31-byte frame:
// 3..14 the 1310/1490/1577 nm powers (float, little-endian), 15 the threshold group,
// 16..20 year-2000, month, day, hour, minute, 21..22 the 0-based index and 23..24 the
// stored count (both big-endian), 25..28 the 1270 nm power.
struct MeasurementRecord
{
    quint16 index = 0;
    quint16 count = 0;
    float ont1270 = 0.0f;
    float ont1310 = 0.0f;
    float olt1490 = 0.0f;
    float olt1577 = 0.0f;
    quint8 thresholdGroup = 0;
    quint8 year = 0; // as sent, i.e. minus 2000
    quint8 month = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 minute = 0;

    // Decodes a record answer; nothing when the frame does not hold bytes 3 to 28.
    static std::optional<MeasurementRecord> Decode(const ResponseFrame& frame);

    // The seven texts of the record's table row, in column order: "No.", the four
    // powers, the threshold group and the date-time.
    QStringList RowTexts() const;
    // The record's table row: those texts with the values they show.
    RecordRow Row() const;
};

// A power at or below its channel's floor reads "LOW". The comparison is on the
// single-precision value as received; a NaN is never low.
inline bool IsLowPower(float value, float limit)
{
    return value <= limit;
}

// "LOW" at or below `limit`, else three blanks and the value with two decimals. The
// comparison is on the single-precision value as received; a NaN is never "LOW".
QString PowerText(float value, float limit);

// "20<year>-<month>-<day> <hour>:<minute>", only the minute padded to two digits.
QString DateTimeText(quint8 year, quint8 month, quint8 day, quint8 hour, quint8 minute);
