#include "jobs/OntHistory.h"

#include "verdicts/ChartPlan.h"

#include <QDateTime>
#include <algorithm>

QList<ArchivedRecord> OldestFirst(QList<ArchivedRecord> records)
{
    std::sort(records.begin(), records.end(), [](const ArchivedRecord& a, const ArchivedRecord& b) {
        if (a.measured.isEmpty() != b.measured.isEmpty())
            return b.measured.isEmpty();
        return a.measured != b.measured ? a.measured < b.measured : a.id < b.id;
    });
    return records;
}

OntHistoryPlan PlanOntHistory(const QList<ArchivedRecord>& records)
{
    OntHistoryPlan plan;
    bool oneGroup = true;
    const QList<ArchivedRecord> ordered = OldestFirst(records);
    const ArchivedRecord* newest = nullptr;
    for (const ArchivedRecord& r : ordered) {
        const QDateTime when = QDateTime::fromString(r.measured, Qt::ISODate);
        if (!when.isValid()) {
            ++plan.undated;
            continue;
        }
        const qint64 ms = when.toMSecsSinceEpoch();
        if (!newest)
            plan.first = ms;
        plan.last = ms;
        newest = &r;
        if (!r.group || (plan.group && *plan.group != *r.group))
            oneGroup = false;
        else
            plan.group = r.group;
        const RowVerdict verdict = JudgeRow(r.texts, r.limits);
        for (size_t c = 0; c < kPowerColumns; ++c) {
            if (r.low[c])
                plan.lowAt[c] << ms;
            else if (r.powers[c])
                plan.points[c] << HistoryPoint{
                    ms, std::clamp(*r.powers[c], kPlotLowestPower, kPlotHighestPower),
                    verdict.channels[c]};
        }
    }
    if (!oneGroup) {
        plan.group.reset();
        return plan;
    }
    if (plan.group)
        for (int c = 0; c < kPowerColumns; ++c)
            plan.limits[static_cast<size_t>(c)] =
                LimitsFor(newest->limits, *plan.group, kFirstPowerColumn + c);
    return plan;
}
