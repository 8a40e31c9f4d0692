#include "verdicts/Verdict.h"

#include "common/NumberText.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdPreset.h"
#include "verdicts/RecordRow.h"

#include <QCoreApplication>
#include <cmath>

namespace {

// Where each power column's limits stand in a group (ThresholdGroup keeps 1310, 1490, 1577,
// 1270 nm; the table shows 1270, 1310, 1490, 1577 nm).
constexpr int kFirstLimitOfColumn[kPowerColumns] = {9, 0, 3, 6};

QString DecibelText(float value)
{
    return QString::asprintf("%.2f", static_cast<double>(value));
}

} // namespace

QString VerdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QStringLiteral("Pass");
    case Verdict::Marginal:
        return QStringLiteral("Marginal");
    case Verdict::Over:
        return QStringLiteral("Over");
    case Verdict::Fail:
        break;
    }
    return QStringLiteral("Fail");
}

QString VerdictLabel(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QCoreApplication::translate("Verdict", "Pass");
    case Verdict::Marginal:
        return QCoreApplication::translate("Verdict", "Marginal");
    case Verdict::Over:
        return QCoreApplication::translate("Verdict", "Over");
    case Verdict::Fail:
        break;
    }
    return QCoreApplication::translate("Verdict", "Fail");
}

bool IsPowerColumn(int column)
{
    return column >= kFirstPowerColumn && column < kFirstPowerColumn + kPowerColumns;
}

QString PowerColumnName(int column)
{
    return IsPowerColumn(column) ? ChannelName(kFirstLimitOfColumn[column - kFirstPowerColumn])
                                 : QString();
}

std::optional<Verdict> JudgePower(QStringView powerText, const ChannelLimits& limits)
{
    return JudgeReading(ReadPower(powerText), limits);
}

std::optional<int> GroupOfText(QStringView groupText)
{
    double read = 0.0;
    // Within the groups' range before it becomes an int: "1e999" reads as infinity, and
    // "4294967297" as no int at all.
    if (!IsCompleteNumber(groupText, &read) || read != std::floor(read) || read < 1.0 ||
        read > ThresholdTable::kGroups || !ThresholdTable::IsGroupNumber(static_cast<int>(read)))
        return std::nullopt;
    return static_cast<int>(read);
}

std::optional<ChannelLimits> LimitsFor(const ThresholdTable& thresholds, int group, int powerColumn)
{
    if (!thresholds.IsKnown(group) || !IsPowerColumn(powerColumn))
        return std::nullopt;
    const auto& limits = thresholds.Group(group).limits;
    const auto first = static_cast<size_t>(kFirstLimitOfColumn[powerColumn - kFirstPowerColumn]);
    return ChannelLimits{limits[first], limits[first + 1], limits[first + 2]};
}

RowVerdict JudgeRow(const QStringList& rowTexts, const ThresholdTable& thresholds)
{
    return JudgeRecord(RecordRow::FromTexts(rowTexts), thresholds);
}

int VerdictCounts::Judged() const
{
    int judged = 0;
    for (int n : records)
        judged += n;
    return judged;
}

VerdictCounts CountVerdicts(const QList<QStringList>& rows, const ThresholdTable& thresholds)
{
    return CountVerdicts(JudgeRows(RecordRowsOfTexts(rows), thresholds).verdicts);
}

QString VerdictSummaryText(const VerdictCounts& counts)
{
    if (counts.Judged() == 0)
        return {};
    QStringList parts;
    for (Verdict v : {Verdict::Pass, Verdict::Marginal, Verdict::Over, Verdict::Fail})
        //: A verdict and how many records have it ("Pass: 3").
        parts << QCoreApplication::translate("Verdict", "%1: %2")
                     .arg(VerdictLabel(v))
                     .arg(counts.Of(v));
    if (counts.unjudged > 0)
        parts << QCoreApplication::translate("Verdict", "No verdict: %1").arg(counts.unjudged);
    return parts.join(QStringLiteral("   "));
}

QString VerdictToolTip(Verdict verdict, int group, const ChannelLimits& limits)
{
    QString tip =
        QCoreApplication::translate("Verdict",
                                    "%1 (threshold group %2: Over %3, Pass %4, Fail %5 dBm)")
            .arg(VerdictLabel(verdict))
            .arg(group)
            .arg(DecibelText(limits.over), DecibelText(limits.pass), DecibelText(limits.fail));
    // Limits out of order judge all the same; the verdict says on what.
    if (const QString problem = LimitOrderProblem(limits.over, limits.pass, limits.fail);
        !problem.isEmpty())
        tip +=
            QLatin1Char('\n') +
            QCoreApplication::translate("Verdict", "The limits are out of order: %1").arg(problem);
    return tip;
}

QString KnownLimits::Name(int group) const
{
    return table_.IsKnown(group) ? names_[static_cast<size_t>(group - 1)] : QString();
}

void KnownLimits::Take(const ThresholdTable& table, const GroupNames& names)
{
    bool taken = false;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (!table.IsKnown(g))
            continue;
        table_.Group(g) = table.Group(g);
        table_.MarkKnown(g);
        names_[static_cast<size_t>(g - 1)] = names[static_cast<size_t>(g - 1)];
        taken = true;
    }
    if (taken)
        Q_EMIT Changed();
}
