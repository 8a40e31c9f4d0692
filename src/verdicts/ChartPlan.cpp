#include "verdicts/ChartPlan.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

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

ChartChoice DefaultChartChoice(const QList<RecordRow>& rows, const ThresholdTable& thresholds)
{
    std::map<int, int> uses;
    for (const RecordRow& row : rows) {
        if (row.group && thresholds.IsKnown(*row.group))
            ++uses[*row.group];
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

QList<double> RecordNumbers(const QList<RecordRow>& rows)
{
    // The meter numbers its records with 16 bits.
    constexpr double kHighestNumber = 65535.0;
    QList<double> numbers;
    QSet<double> seen;
    for (const RecordRow& row : rows) {
        if (!row.number)
            break;
        const double number = *row.number;
        if (number < 1.0 || number > kHighestNumber || number != std::floor(number) ||
            seen.contains(number))
            break;
        seen.insert(number);
        numbers << number;
    }
    if (numbers.size() == rows.size())
        return numbers;
    numbers.clear();
    for (qsizetype r = 0; r < rows.size(); ++r)
        numbers << double(r + 1);
    return numbers;
}

ChartPlan PlanChart(const JudgedRows& table, const ThresholdTable& thresholds,
                    const ChartChoice& choice)
{
    const QList<RecordRow>& rows = table.rows;
    ChartPlan plan;
    const QList<double> xs = RecordNumbers(rows);
    // Lines run from number to number, whatever order the rows are in.
    QList<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&xs](qsizetype a, qsizetype b) { return xs[a] < xs[b]; });
    for (const RecordRow& row : rows)
        plan.otherGroups = plan.otherGroups || (row.group && *row.group != choice.group);
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
        for (const qsizetype r : order) {
            const PowerReading& reading = rows[r].Power(kFirstPowerColumn + c);
            const double x = xs[r];
            const bool number = reading.value && !std::isnan(*reading.value);
            const double power = number ? *reading.value : 0.0;
            if (number && IsPowerOnScale(power)) {
                if (!inRun)
                    channel.runs.append(QList<QPointF>());
                channel.runs.last() << QPointF(x, power);
                reach(power);
                inRun = true;
                if (const std::optional<Verdict> verdict =
                        table.verdicts.value(r).channels[static_cast<size_t>(c)])
                    channel.judged << JudgedReading{x, power, *verdict};
                continue;
            }
            inRun = false;
            if (reading.low)
                channel.lowAt << x;
            else if (number)
                channel.offScale << OffScaleReading{x, power};
        }
    }

    if (!choice.allChannels && !plan.otherGroups) {
        plan.limits = LimitsFor(thresholds, choice.group, choice.powerColumn);
        if (plan.limits) {
            for (float limit : {plan.limits->over, plan.limits->pass, plan.limits->fail}) {
                if (IsPowerOnScale(limit))
                    reach(limit);
            }
        }
    }

    if (!xs.isEmpty()) {
        plan.firstX = *std::min_element(xs.cbegin(), xs.cend()) - 1.0;
        plan.lastX = *std::max_element(xs.cbegin(), xs.cend()) + 1.0;
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
