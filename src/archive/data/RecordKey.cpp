#include "archive/data/RecordKey.h"

#include "common/NumberText.h"
#include "verdicts/Verdict.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace {

const QString kLow = QStringLiteral("LOW");

// Year-month-day, then optionally hour:minute and seconds; only ASCII digits.
const QRegularExpression& DateTimePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    return pattern;
}

struct ParsedDateTime
{
    QDate date;
    std::optional<QTime> time;
};

std::optional<ParsedDateTime> ParseDateTime(QStringView text)
{
    const QRegularExpressionMatch m = DateTimePattern().match(text.toString());
    if (!m.hasMatch())
        return std::nullopt;
    ParsedDateTime parsed;
    parsed.date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!parsed.date.isValid())
        return std::nullopt;
    if (m.hasCaptured(4)) {
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(),
                         m.hasCaptured(6) ? m.captured(6).toInt() : 0);
        if (!time.isValid())
            return std::nullopt;
        parsed.time = time;
    }
    return parsed;
}

QString IsoOf(const QDate& date, const QTime& time)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('T') +
           time.toString(time.second() != 0 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

} // namespace

QString PowerKey(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed == kLow)
        return kLow;
    double value = 0.0;
    // A number as the data page reads it, with spaces or tabs around it only: a text the
    // page shows without a value ("-3" and a carriage return) is no number here either, so
    // it is not taken for the record "-3" and is stored with its own text.
    if (!IsCompleteNumber(text, &value) || !std::isfinite(value))
        return QLatin1Char('?') + trimmed.toString();
    // The value of the text, not of a single-precision copy: "   -12.30" and "-12.3" are
    // both -12.30, whatever float the meter sent.
    QString key = QString::asprintf("%.2f", value);
    if (key == QLatin1String("-0.00"))
        key = QStringLiteral("0.00");
    return key;
}

QString MeasuredIso(QStringView text)
{
    const std::optional<ParsedDateTime> parsed = ParseDateTime(text);
    if (!parsed || !parsed->time)
        return {};
    return IsoOf(parsed->date, *parsed->time);
}

QString FilterBoundIso(QStringView text, bool endOfDay)
{
    const std::optional<ParsedDateTime> parsed = ParseDateTime(text);
    if (!parsed)
        return {};
    if (parsed->time)
        return IsoOf(parsed->date, *parsed->time);
    // The day's last second: its digits sort after every time of that day under any
    // collation a server may compare with (glibc's and ICU's put '~' before digits).
    return parsed->date.toString(QStringLiteral("yyyy-MM-dd")) +
           (endOfDay ? QStringLiteral("T23:59:59") : QString());
}

DecodedRow DecodeRow(const QStringList& texts, const QString& meter)
{
    DecodedRow row;
    row.texts = texts.mid(0, 7);
    while (row.texts.size() < 7)
        row.texts.append(QString());
    for (int c = 0; c < kPowerColumns; ++c) {
        const QString& text = row.texts[kFirstPowerColumn + c];
        const auto i = static_cast<size_t>(c);
        row.key.powers[i] = PowerKey(text);
        row.low[i] = row.key.powers[i] == kLow;
        double value = 0.0;
        if (!row.low[i] && IsCompleteNumber(text, &value) && std::isfinite(value))
            row.powers[i] = value;
    }
    row.group = GroupOfText(row.texts[kGroupColumn]);
    row.key.group = row.texts[kGroupColumn].trimmed();
    const QString& timeText = row.texts[kGroupColumn + 1];
    row.measured = MeasuredIso(timeText);
    row.key.time = row.measured.isEmpty() ? QLatin1Char('?') + timeText.trimmed() : row.measured;
    row.key.meter = meter;
    return row;
}
