#include "records/MeasurementRecord.h"

#include "protocol/ResponseFrame.h"

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
