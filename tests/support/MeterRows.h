#pragma once

#include "records/MeasurementRecord.h"
#include "records/RecordTable.h"
#include "sim/VirtualMeter.h"

#include <QList>
#include <QStringList>

// What a row must read for the meter's record at `index`, built from the meter's own
// values (with its calibration offsets, as it serves them).
inline QStringList ExpectedRow(const VirtualMeter& meter, int index)
{
    MeterRecord r = meter.Records()[index];
    r.ont1270 += meter.CalibrationOffsets()[VirtualMeter::Ont1270];
    r.ont1310 += meter.CalibrationOffsets()[VirtualMeter::Ont1310];
    r.olt1490 += meter.CalibrationOffsets()[VirtualMeter::Olt1490];
    r.olt1577 += meter.CalibrationOffsets()[VirtualMeter::Olt1577];
    // Fields in order: index, count, the 1270/1310/1490/1577 nm powers, group, date-time.
    const MeasurementRecord m{quint16(index), 0,      r.ont1270, r.ont1310, r.olt1490, r.olt1577,
                              r.group,        r.year, r.month,   r.day,     r.hour,    r.minute};
    return m.RowTexts();
}

// The rows of the meter's first `count` records.
inline QList<QStringList> ExpectedRows(const VirtualMeter& meter, int count)
{
    QList<QStringList> rows;
    for (int r = 0; r < count; ++r)
        rows << ExpectedRow(meter, r);
    return rows;
}

// Every row of the table, as texts.
inline QList<QStringList> Rows(const RecordTable& table)
{
    QList<QStringList> rows(table.RowCount());
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c)
            rows[r] << table.CellText(r, c);
    return rows;
}
