#include "verdicts/RecordRow.h"

#include "common/NumberText.h"

#include <cmath>

PowerReading ReadPower(QStringView text)
{
    PowerReading power;
    power.low = text.trimmed() == QLatin1String("LOW");
    double value = 0.0;
    if (!power.low && IsCompleteNumber(text, &value))
        power.value = value;
    return power;
}

RecordRow RecordRow::FromTexts(QStringList texts)
{
    texts.resize(kRecordColumns);
    RecordRow row;
    double number = 0.0;
    if (IsCompleteNumber(texts[0], &number))
        row.number = number;
    for (int c = 0; c < kPowerColumns; ++c)
        row.powers[static_cast<size_t>(c)] = ReadPower(texts[kFirstPowerColumn + c]);
    row.group = GroupOfText(texts[kGroupColumn]);
    const QStringList dateTime =
        texts[kGroupColumn + 1].trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (dateTime.size() == 2) {
        const QDate date = QDate::fromString(dateTime[0], QStringLiteral("yyyy-M-d"));
        const QTime time = QTime::fromString(dateTime[1], QStringLiteral("H:mm"));
        if (date.isValid() && time.isValid())
            row.time = QDateTime(date, time, Qt::UTC);
    }
    row.texts = std::move(texts);
    return row;
}

QList<RecordRow> RecordRowsOfTexts(const QList<QStringList>& rows)
{
    QList<RecordRow> read;
    read.reserve(rows.size());
    for (const QStringList& row : rows)
        read << RecordRow::FromTexts(row);
    return read;
}

std::optional<Verdict> JudgeReading(const PowerReading& power, const ChannelLimits& limits)
{
    // A limit the meter sent as no number is unknown: it judges nothing.
    if (std::isnan(limits.over) || std::isnan(limits.pass) || std::isnan(limits.fail))
        return std::nullopt;
    if (power.low)
        return Verdict::Fail;
    if (!power.value || !std::isfinite(*power.value))
        return std::nullopt;
    // The limits are single-precision values; a text such as "-27.30" must meet a limit of
    // -27.3 exactly, not fall a rounding step below it.
    const float read = static_cast<float>(*power.value);
    if (read > limits.over)
        return Verdict::Over;
    if (read >= limits.pass)
        return Verdict::Pass;
    if (read > limits.fail)
        return Verdict::Marginal;
    return Verdict::Fail;
}

RowVerdict JudgeRecord(const RecordRow& row, const ThresholdTable& thresholds)
{
    RowVerdict verdict;
    if (!row.group || !thresholds.IsKnown(*row.group))
        return verdict;
    verdict.group = row.group;
    bool unjudged = false;
    std::optional<Verdict> worst;
    for (int c = 0; c < kPowerColumns; ++c) {
        const int column = kFirstPowerColumn + c;
        const auto judged =
            JudgeReading(row.Power(column), *LimitsFor(thresholds, *row.group, column));
        verdict.channels[static_cast<size_t>(c)] = judged;
        if (!judged)
            unjudged = true;
        else if (!worst || *judged > *worst)
            worst = judged;
    }
    // A channel that cannot be read might be worse than the others, unless they already fail.
    if (!unjudged || worst == Verdict::Fail)
        verdict.record = worst;
    return verdict;
}

JudgedRows JudgeRows(QList<RecordRow> rows, const ThresholdTable& thresholds)
{
    JudgedRows judged;
    judged.verdicts.reserve(rows.size());
    for (const RecordRow& row : rows)
        judged.verdicts << JudgeRecord(row, thresholds);
    judged.rows = std::move(rows);
    return judged;
}

VerdictCounts CountVerdicts(const QList<RowVerdict>& verdicts)
{
    VerdictCounts counts;
    for (const RowVerdict& verdict : verdicts) {
        if (verdict.record)
            ++counts.records[static_cast<size_t>(*verdict.record)];
        else
            ++counts.unjudged;
    }
    return counts;
}
