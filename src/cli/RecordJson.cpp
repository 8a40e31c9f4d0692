#include "cli/RecordJson.h"

#include "common/NumberText.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace {

QString PowerJson(float value, float limit)
{
    const bool low = IsLowPower(value, limit);
    const QString dbm =
        low || !std::isfinite(value) ? QStringLiteral("null") : ShortestFloatText(value);
    return QStringLiteral("{\"dBm\": %1, \"low\": %2}")
        .arg(dbm, low ? QStringLiteral("true") : QStringLiteral("false"));
}

QString TimeJson(const MeasurementRecord& r)
{
    const QDate date(2000 + r.year, r.month, r.day);
    const QTime time(r.hour, r.minute);
    if (!date.isValid() || !time.isValid())
        return QStringLiteral("null");
    return QLatin1Char('"') + date.toString(Qt::ISODate) + QLatin1Char('T') +
           time.toString(QStringLiteral("HH:mm")) + QLatin1Char('"');
}

} // namespace

QByteArray RecordsJson(const QList<MeasurementRecord>& records)
{
    QString text = QStringLiteral("{\"records\": [");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const MeasurementRecord& r = records[i];
        text += i == 0 ? QStringLiteral("\n  ") : QStringLiteral(",\n  ");
        text += QStringLiteral("{\"no\": %1, \"ONT:1270nm\": %2, \"ONT:1310nm\": %3, "
                               "\"OLT:1490nm\": %4, \"OLT:1577nm\": %5, \"group\": %6, "
                               "\"time\": %7}")
                    .arg(r.index + 1)
                    .arg(PowerJson(r.ont1270, ontLowLimit), PowerJson(r.ont1310, ontLowLimit),
                         PowerJson(r.olt1490, oltLowLimit), PowerJson(r.olt1577, oltLowLimit))
                    .arg(r.thresholdGroup)
                    .arg(TimeJson(r));
    }
    text += records.isEmpty() ? QStringLiteral("]}\n") : QStringLiteral("\n]}\n");
    return text.toUtf8();
}
