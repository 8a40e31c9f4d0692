#include "cli/RecordJson.h"

#include "verdicts/RecordRow.h"

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
QString PowerJson(const RecordRow& row, int column, const std::optional<QString>& verdict)
{
    const PowerReading& power = row.Power(column);
    const QString dbm = power.value ? row.Text(column).trimmed() : QStringLiteral("null");
    QString json = QStringLiteral("{\"dBm\": %1, \"low\": %2")
                       .arg(dbm, power.low ? QStringLiteral("true") : QStringLiteral("false"));
    if (verdict)
        json += QStringLiteral(", \"verdict\": ") + *verdict;
    return json + QLatin1Char('}');
}

QString TimeJson(const RecordRow& row)
{
    if (!row.time)
        return QStringLiteral("null");
    return QLatin1Char('"') + row.time->date().toString(Qt::ISODate) + QLatin1Char('T') +
           row.time->time().toString(QStringLiteral("HH:mm")) + QLatin1Char('"');
}

} // namespace

QByteArray RecordsJson(const QList<MeasurementRecord>& records, const ThresholdTable* thresholds)
{
    QString text = QStringLiteral("{\"records\": [");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const MeasurementRecord& r = records[i];
        const RecordRow row = r.Row();
        // Judged from the row, exactly as the data page judges its rows.
        std::array<std::optional<QString>, kPowerColumns> channel;
        QString record;
        if (thresholds) {
            const RowVerdict verdict = JudgeRecord(row, *thresholds);
            for (int c = 0; c < kPowerColumns; ++c)
                channel[c] = VerdictJson(verdict.channels[c]);
            record = QStringLiteral(", \"verdict\": ") + VerdictJson(verdict.record);
        }
        text += i == 0 ? QStringLiteral("\n  ") : QStringLiteral(",\n  ");
        text += QStringLiteral("{\"no\": %1, \"ONT:1270nm\": %2, \"ONT:1310nm\": %3, "
                               "\"OLT:1490nm\": %4, \"OLT:1577nm\": %5, \"group\": %6, "
                               "\"time\": %7%8}")
                    .arg(r.index + 1)
                    .arg(PowerJson(row, 1, channel[0]), PowerJson(row, 2, channel[1]),
                         PowerJson(row, 3, channel[2]), PowerJson(row, 4, channel[3]))
                    .arg(r.thresholdGroup)
                    .arg(TimeJson(row), record);
    }
    text += records.isEmpty() ? QStringLiteral("]}\n") : QStringLiteral("\n]}\n");
    return text.toUtf8();
}
