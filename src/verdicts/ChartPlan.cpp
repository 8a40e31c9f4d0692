#include "verdicts/ChartPlan.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

bool IsLow(const QString& text)
{
    return text.trimmed() == QStringLiteral("LOW");
}

// Whole steps of 1, 2 or 5 times a power of ten, so the axis has at most ten of them.
double RecordStep(double span)
{
    for (double decade = 1.0;; decade *= 10.0) {
        for (double factor : {1.0, 2.0, 5.0}) {
            if (span / (factor * decade) <= 10.0)
                return factor * decade;
        }
    }
}

} // namespace

ChartChoice DefaultChartChoice(const QList<QStringList>& rows, const ThresholdTable& thresholds)
{
    std::map<int, int> uses;
    for (const QStringList& row : rows) {
        const std::optional<int> group = GroupOfText(row.value(kGroupColumn));
        if (group && thresholds.IsKnown(*group))
            ++uses[*group];
    }
    ChartChoice choice;
    const auto most = std::max_element(
        uses.begin(), uses.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most != uses.end()) {
        choice.group = most->first;
        return choice;
    }
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (thresholds.IsKnown(g)) {
            choice.group = g;
            break;
        }
    }
    return choice;
}

bool IsPowerOnScale(double power)
{
    return power >= kPlotLowestPower && power <= kPlotHighestPower;
}

double RecordNumberOf(const QStringList& row, int position, int rowCount)
{
    double number = 0.0;
    if (IsCompleteNumber(row.value(0), &number) && number >= 1.0 && number <= rowCount &&
        number == std::floor(number))
        return number;
    return position + 1;
}

ChartPlan PlanChart(const QList<QStringList>& rows, const ThresholdTable& thresholds,
                    const ChartChoice& choice)
{
    ChartPlan plan;
    const int rowCount = static_cast<int>(rows.size());
    double lowest = 0.0;
    double highest = 0.0;
    bool anyValue = false;
    const auto reach = [&](double power) {
        lowest = anyValue ? std::min(lowest, power) : power;
        highest = anyValue ? std::max(highest, power) : power;
        anyValue = true;
    };

    for (int c = 0; c < kPowerColumns; ++c) {
        ChannelPlan& channel = plan.channels[static_cast<size_t>(c)];
        channel.shown = choice.allChannels || choice.powerColumn == kFirstPowerColumn + c;
        if (!channel.shown)
            continue;
        bool inRun = false;
        for (int r = 0; r < rowCount; ++r) {
            const QStringList& row = rows[r];
            const double x = RecordNumberOf(row, r, rowCount);
            const QString& text = row.value(kFirstPowerColumn + c);
            double power = 0.0;
            const bool number = IsCompleteNumber(text, &power) && !std::isnan(power);
            if (number && IsPowerOnScale(power)) {
                if (!inRun)
                    channel.runs.append(QList<QPointF>());
                channel.runs.last() << QPointF(x, power);
                reach(power);
                inRun = true;
                continue;
            }
            inRun = false;
            if (IsLow(text))
                channel.lowAt << x;
            else if (number)
                channel.offScale << OffScaleReading{x, power};
        }
    }

    if (!choice.allChannels) {
        plan.limits = LimitsFor(thresholds, choice.group, choice.powerColumn);
        if (plan.limits) {
            for (float limit : {plan.limits->over, plan.limits->pass, plan.limits->fail}) {
                if (IsPowerOnScale(limit))
                    reach(limit);
            }
        }
    }

    if (rowCount > 0) {
        double first = RecordNumberOf(rows[0], 0, rowCount);
        double last = first;
        for (int r = 1; r < rowCount; ++r) {
            const double x = RecordNumberOf(rows[r], r, rowCount);
            first = std::min(first, x);
            last = std::max(last, x);
        }
        plan.firstX = first - 1.0;
        plan.lastX = last + 1.0;
    }
    plan.xStep = RecordStep(plan.lastX - plan.firstX);

    if (!anyValue) {
        lowest = -50.0;
        highest = 0.0;
    }
    bool anyAbove = false;
    for (const ChannelPlan& channel : plan.channels) {
        for (const OffScaleReading& reading : channel.offScale)
            anyAbove = anyAbove || reading.power > 0;
    }
    plan.top = std::ceil((highest + (anyAbove ? 4.0 : 1.0)) / 5.0) * 5.0;
    plan.bottom = std::floor((lowest - 1.0) / 5.0) * 5.0 - 5.0;
    plan.lowY = plan.bottom + 1.5;
    plan.offHighY = plan.top - 1.5;
    return plan;
}
