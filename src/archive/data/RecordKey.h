#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

// A row of the data page decoded for the archive: the values it is searched by and the
// natural key it is recognised by when it comes again.
//
// The key must not depend on how the row reached the PC: a download shows "   -12.30",
// the same record exported to CSV and imported back reads "-12.3" (the sheet readers type
// numbers as a spreadsheet does), an imported "No." reads "1" instead of "   1". So the key
// holds normalised values, never the texts themselves, and leaves "No." out (a record's
// position in the meter changes when records are deleted).
struct RecordKey
{
    // The measurement date-time as ISO "2022-09-20T13:11", else "?" + the text. The archive
    // adds "#n" for the n-th identical row of one download (n from 2): each is a record.
    QString time;
    QString group;                 // the "Threshold Name" text trimmed
    std::array<QString, 4> powers; // "-12.30" (hundredths), "LOW", else "?" + the text
    QString meter;                 // the meter's USB serial, empty when unknown (imports)

    bool SameValues(const RecordKey& other) const
    {
        return time == other.time && group == other.group && powers == other.powers;
    }
    bool operator==(const RecordKey&) const = default;
};

struct DecodedRow
{
    QStringList texts;                           // exactly seven
    std::array<std::optional<double>, 4> powers; // nothing for LOW and for a text not a number
    std::array<bool, 4> low{};
    std::optional<int> group; // 1 to 3
    QString measured;         // ISO date-time, empty when the text is no date
    RecordKey key;
};

// Decodes the seven texts of a row (missing texts read as empty) of a meter with USB
// serial `meter` (empty when unknown).
DecodedRow DecodeRow(const QStringList& texts, const QString& meter);

// A power text's part of the key: "LOW", the value rounded to hundredths ("-12.30",
// "0.00" for a negative zero), or "?" and the trimmed text when it is no number as the
// data page reads one (spaces or tabs around it only).
QString PowerKey(QStringView text);

// "2022-9-20 13:11" (seconds allowed, "2022-9-20 13:11:05") as "2022-09-20T13:11" (or
// "...T13:11:05"); empty when the text is not a valid date-time.
QString MeasuredIso(QStringView text);

// A date or date-time from the command line or a filter field, "2022-09-20", "2022-9-20"
// or "2022-09-20T13:11" / "2022-09-20 13:11", as the ISO text records are compared with;
// `endOfDay` turns a date alone into the last moment of that day. Empty when unreadable.
QString FilterBoundIso(QStringView text, bool endOfDay);
