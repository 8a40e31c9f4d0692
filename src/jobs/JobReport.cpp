#include "jobs/JobReport.h"

#include "jobs/OntHistory.h"

#include <QMap>

namespace {

void AddOnce(QStringList& list, const QString& text)
{
    if (!text.isEmpty() && !list.contains(text))
        list << text;
}

} // namespace

JobReportFacts GatherJobReport(const QString& job, const QList<ArchivedRecord>& records)
{
    JobReportFacts facts;
    facts.job = job;
    facts.records = static_cast<int>(records.size());
    QMap<QString, QList<ArchivedRecord>> bySite;
    for (const ArchivedRecord& r : OldestFirst(records)) {
        AddOnce(facts.sites, r.place.Text(RecordPlace::Site));
        AddOnce(facts.technicians, r.place.Text(RecordPlace::Technician));
        AddOnce(facts.meters, r.meter);
        if (!r.measured.isEmpty()) {
            if (facts.firstMeasured.isEmpty())
                facts.firstMeasured = r.measured;
            facts.lastMeasured = r.measured;
        }
        const std::optional<Verdict> verdict = JudgeRow(r.texts, r.limits).record;
        if (verdict)
            ++facts.counts.records[static_cast<size_t>(*verdict)];
        else
            ++facts.counts.unjudged;
        bySite[r.place.Text(RecordPlace::Site)] << r;
        // Oldest first: a later record's limits replace an earlier one's.
        for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
            if (!r.limits.IsKnown(g))
                continue;
            facts.limits.Group(g) = r.limits.Group(g);
            facts.limits.MarkKnown(g);
        }
    }
    for (QStringList* list : {&facts.sites, &facts.technicians, &facts.meters})
        list->sort();
    for (const QString& site : std::as_const(facts.sites))
        facts.bySite << JobReportFacts::Site{site, bySite.value(site)};
    if (bySite.contains(QString()))
        facts.bySite << JobReportFacts::Site{QString(), bySite.value(QString())};
    return facts;
}

QStringList JobReportDrawerArguments(const QString& location, const QString& job)
{
    return {QStringLiteral("--archive"), location, QStringLiteral("--job"), job};
}
