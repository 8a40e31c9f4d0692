#include "cli/RecordJson.h"

#include "verdicts/Verdict.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace {

QString VerdictJson(const std::optional<Verdict>& verdict)
{
    if (!verdict)
        return QStringLiteral("null");
    return QLatin1Char('"') + VerdictName(*verdict).toLower() + QLatin1Char('"');
}

// `verdict` is written only when records are judged at all. The power is the row's text,
// two decimals, which is also what the verdict is judged on: a power of -27.304 is -27.30
// and passes a Pass limit of -27.3, in the JSON as on the data page.
QString PowerJson(float value, float limit, const std::optional<QString>& verdict)
{
    const bool low = IsLowPower(value, limit);
    const QString dbm =
        low || !std::isfinite(value) ? QStringLiteral("null") : PowerText(value, limit).trimmed();
    QString json = QStringLiteral("{\"dBm\": %1, \"low\": %2")
                       .arg(dbm, low ? QStringLiteral("true") : QStringLiteral("false"));
    if (verdict)
        json += QStringLiteral(", \"verdict\": ") + *verdict;
    return json + QLatin1Char('}');
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

QByteArray RecordsJson(const QList<MeasurementRecord>& records, const ThresholdTable* thresholds)
{
    QString text = QStringLiteral("{\"records\": [");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const MeasurementRecord& r = records[i];
        // Judged from the row texts, exactly as the data page judges its rows.
        std::array<std::optional<QString>, kPowerColumns> channel;
        QString record;
        if (thresholds) {
            const RowVerdict verdict = JudgeRow(r.RowTexts(), *thresholds);
            for (int c = 0; c < kPowerColumns; ++c)
                channel[c] = VerdictJson(verdict.channels[c]);
            record = QStringLiteral(", \"verdict\": ") + VerdictJson(verdict.record);
        }
        text += i == 0 ? QStringLiteral("\n  ") : QStringLiteral(",\n  ");
        text += QStringLiteral("{\"no\": %1, \"ONT:1270nm\": %2, \"ONT:1310nm\": %3, "
                               "\"OLT:1490nm\": %4, \"OLT:1577nm\": %5, \"group\": %6, "
                               "\"time\": %7%8}")
                    .arg(r.index + 1)
                    .arg(PowerJson(r.ont1270, ontLowLimit, channel[0]),
                         PowerJson(r.ont1310, ontLowLimit, channel[1]),
                         PowerJson(r.olt1490, oltLowLimit, channel[2]),
                         PowerJson(r.olt1577, oltLowLimit, channel[3]))
                    .arg(r.thresholdGroup)
                    .arg(TimeJson(r), record);
    }
    text += records.isEmpty() ? QStringLiteral("]}\n") : QStringLiteral("\n]}\n");
    return text.toUtf8();
}
