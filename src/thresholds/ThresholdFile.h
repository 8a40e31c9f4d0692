#pragma once

#include "thresholds/ThresholdTable.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <array>
#include <optional>

// The three threshold groups as a JSON file, for backing up and restoring a meter's
// limits and for editing them outside the program:
//
//   {"version": 1, "groups": [
//     {"group": 1, "name": "GPON-B+",
//      "ONT:1310nm": {"Over": -8, "Pass": -27, "Fail": -28},
//      "OLT:1490nm": {...}, "OLT:1577nm": {...}, "ONT:1270nm": {...}}, ...]}
//
// Names are the meter's own, as downloaded; they are kept for information only, since an
// upload always sends the group number in the name field.
struct ThresholdFile
{
    static constexpr int kVersion = 1;

    ThresholdTable table;
    std::array<QString, ThresholdTable::kGroups> names; // index 0: group 1
};

// Filter of the page's file dialogs.
inline QString thresholdFileFilter()
{
    return QCoreApplication::translate("ThresholdsPage", "Threshold files (*.json)");
}

// Names of a limit by its index in ThresholdGroup::limits: the channel ("ONT:1310nm") and
// the limit ("Over", "Pass" or "Fail"), as the file names them in every language.
QString ChannelName(int limitIndex);
QString LimitName(int limitIndex);
// The limit's name as the page shows it, in the desktop's language.
QString LimitLabel(int limitIndex);
// Where a limit stands, for messages about a file: "group 2, OLT:1490nm, Pass" (the file's
// names of the channel and the limit).
QString LimitPlace(int group, int limitIndex);

// The shortest plain decimal text that reads back as exactly `limit` (no exponent, so a
// limit cell's check accepts it): what a loaded limit's cell holds.
QString LimitCellText(float limit);

// The file's text: two-space indentation, channels and limits in the page's order.
QByteArray ThresholdFileJson(const ThresholdFile& file);

// Reads and checks a file's text: version 1, exactly the groups 1, 2 and 3, every limit
// present and in range. On failure `error` names the place ("group 2, OLT:1490nm, Pass:
// 31 is outside -65…30", "line 3, column 7: ...").
std::optional<ThresholdFile> ParseThresholdFile(const QByteArray& json, QString* error);

// A file of the three groups takes about 1 KB; no more than this is ever read.
inline constexpr qint64 kThresholdFileMaxBytes = 1 << 20;

// The same from a file, read no further than kThresholdFileMaxBytes (a larger one, or a
// device that gives more, is refused); `error` starts with the file's path.
std::optional<ThresholdFile> ReadThresholdFile(const QString& path, QString* error);
// Writes through a temporary file that replaces `path` only once complete.
bool WriteThresholdFile(const QString& path, const ThresholdFile& file, QString* error);
