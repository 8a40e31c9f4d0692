#pragma once

#include "records/MeasurementRecord.h"

class ThresholdTable;
#include <QByteArray>
#include <QList>

// Downloaded records as one JSON document, each record on a line of its own:
//   {"records": [
//     {"no": 1, "ONT:1270nm": {"dBm": -20.51, "low": false}, "ONT:1310nm": {"dBm": null,
//      "low": true}, "OLT:1490nm": {...}, "OLT:1577nm": {...}, "group": 2,
//      "time": "2012-05-07T09:03"}, ...]}
// Powers are numbers with two decimals, as the data page shows them and the CSV export
// writes them ("-20.51"); a power the program shows as "LOW" is null with "low": true. "time" is
// the meter's local time to the minute, or null when the meter sent a date that does not exist.
// With `thresholds`, every power and the record carry "verdict": "pass", "marginal",
// "over" or "fail", judged as the data page judges its rows (null where there is none).
QByteArray RecordsJson(const QList<MeasurementRecord>& records,
                       const ThresholdTable* thresholds = nullptr);
