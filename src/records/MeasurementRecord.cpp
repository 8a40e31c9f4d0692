#include "records/MeasurementRecord.h"

#include "common/NumberText.h"
#include "protocol/ResponseFrame.h"

#include <cmath>

std::optional<MeasurementRecord> MeasurementRecord::Decode(const ResponseFrame& frame)
{
    if (!frame.HasPayload())
        return std::nullopt;
    MeasurementRecord r;
    r.ont1310 = frame.FloatLE(3);
    r.olt1490 = frame.FloatLE(7);
    r.olt1577 = frame.FloatLE(11);
    r.thresholdGroup = frame.Byte(15);
    r.year = frame.Byte(16);
    r.month = frame.Byte(17);
    r.day = frame.Byte(18);
    r.hour = frame.Byte(19);
    r.minute = frame.Byte(20);
    r.index = frame.UInt16BE(21);
    r.count = frame.UInt16BE(23);
    r.ont1270 = frame.FloatLE(25);
    return r;
}

QStringList MeasurementRecord::RowTexts() const
{
    return {QString::asprintf("   %d", index + 1),
            PowerText(ont1270, ontLowLimit),
            PowerText(ont1310, ontLowLimit),
            PowerText(olt1490, oltLowLimit),
            PowerText(olt1577, oltLowLimit),
            QString::number(thresholdGroup),
            DateTimeText(year, month, day, hour, minute)};
}

namespace {

// A power as the table shows it. Verdicts are on the value shown, to two decimals (a power of
// -27.304 shows -27.30 and meets a Pass limit of -27.3), so the value is that of the text
// just made, rounded exactly as shown; NaN and the infinities show as no number.
PowerReading ShownPower(float value, float limit)
{
    PowerReading power;
    power.low = IsLowPower(value, limit);
    double shown = 0.0;
    if (!power.low && std::isfinite(value) && IsCompleteNumber(PowerText(value, limit), &shown))
        power.value = shown;
    return power;
}

} // namespace

RecordRow MeasurementRecord::Row() const
{
    RecordRow row;
    row.texts = RowTexts();
    row.number = index + 1;
    row.powers = {ShownPower(ont1270, ontLowLimit), ShownPower(ont1310, ontLowLimit),
                  ShownPower(olt1490, oltLowLimit), ShownPower(olt1577, oltLowLimit)};
    if (ThresholdTable::IsGroupNumber(thresholdGroup))
        row.group = thresholdGroup;
    const QDate date(2000 + year, month, day);
    const QTime time(hour, minute);
    if (date.isValid() && time.isValid())
        row.time = QDateTime(date, time, Qt::UTC);
    return row;
}

QString PowerText(float value, float limit)
{
    if (IsLowPower(value, limit))
        return QStringLiteral("LOW");
    return QString::asprintf("   %.2f", static_cast<double>(value));
}

QString DateTimeText(quint8 year, quint8 month, quint8 day, quint8 hour, quint8 minute)
{
    return QString::asprintf(minute < 10 ? "20%d-%d-%d %d:0%d" : "20%d-%d-%d %d:%d", year, month,
                             day, hour, minute);
}
