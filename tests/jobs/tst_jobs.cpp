// The jobs' rules without the archive: what the Assign Job dialog assigns, and what an ONT's
// history draws.
#include "jobs/OntHistory.h"
#include "jobs/PlaceEdit.h"

#include <QTest>

namespace {

RecordPlace Place(const QString& job, const QString& site)
{
    RecordPlace place;
    if (!job.isEmpty())
        place[RecordPlace::Job] = job;
    if (!site.isEmpty())
        place[RecordPlace::Site] = site;
    return place;
}

// Limits for group `group` alone: Over -8, Pass -27, Fail -28 on every channel.
ThresholdTable Limits(int group)
{
    ThresholdTable table;
    table.Group(group).number = static_cast<quint8>(group);
    table.Group(group).limits = {-8, -27, -28, -8, -27, -28, -8, -27, -28, -8, -27, -28};
    table.MarkKnown(group);
    return table;
}

// A record of group `group` measured at `time` ("" for a text that is no date), its first
// channel LOW or `power`, the others -20 dBm.
ArchivedRecord Record(qint64 id, int group, const QString& time, std::optional<double> power)
{
    ArchivedRecord r;
    r.id = id;
    const QString first = power ? QString::number(*power, 'f', 2) : QStringLiteral("LOW");
    r.texts = {QString::number(id),
               first,
               "-20.00",
               "-20.00",
               "-20.00",
               QString::number(group),
               time.isEmpty() ? QStringLiteral("no date") : time};
    r.measured = time.isEmpty() ? QString() : QString(time).replace(' ', 'T');
    r.group = group;
    r.powers = {power, -20.0, -20.0, -20.0};
    r.low = {!power, false, false, false};
    r.limits = Limits(group);
    return r;
}

} // namespace

class TestJobs : public QObject
{
    Q_OBJECT

private slots:
    void assignDialog_changesOnlyWhatWasEdited_data()
    {
        QTest::addColumn<QList<RecordPlace>>("records");
        QTest::addColumn<QString>("jobEntered");
        QTest::addColumn<QString>("siteEntered");
        QTest::addColumn<RecordPlace>("change");
        QTest::addColumn<RecordPlace>("first"); // the first record's place afterwards

        const QList<RecordPlace> alike{Place("A", "S1"), Place("A", "S1")};
        const QList<RecordPlace> apart{Place("A", "S1"), Place("A", "S2")};
        RecordPlace cleared;
        cleared[RecordPlace::Job] = QString();
        QTest::newRow("nothing edited") << alike << "A"
                                        << "S1" << RecordPlace() << Place("A", "S1");
        QTest::newRow("a new job, trimmed") << alike << "  B "
                                            << "S1" << Place("B", "") << Place("B", "S1");
        QTest::newRow("an emptied field clears it") << alike << ""
                                                    << "S1" << cleared << Place("", "S1");
        QTest::newRow("a field the records differ in, left empty, stays")
            << apart << "A"
            << "" << RecordPlace() << Place("A", "S1");
        QTest::newRow("a field the records differ in, filled, is set on all")
            << apart << "A"
            << "S3" << Place("", "S3") << Place("A", "S3");
    }
    void assignDialog_changesOnlyWhatWasEdited()
    {
        QFETCH(QList<RecordPlace>, records);
        QFETCH(QString, jobEntered);
        QFETCH(QString, siteEntered);
        QFETCH(RecordPlace, change);
        QFETCH(RecordPlace, first);

        const RecordPlace shared = SharedPlace(records);
        std::array<QString, RecordPlace::kFields> entered;
        entered[RecordPlace::Job] = jobEntered;
        entered[RecordPlace::Site] = siteEntered;
        QCOMPARE(ChangedPlace(shared, entered), change);
        QCOMPARE(AppliedPlace(records.first(), change), first);
    }

    void ontHistory_drawsDatedReadingsAndOneGroupsLimits_data()
    {
        QTest::addColumn<QList<ArchivedRecord>>("records");
        QTest::addColumn<int>("points"); // readings of the first channel drawn
        QTest::addColumn<int>("lows");   // LOW marks of the first channel
        QTest::addColumn<int>("undated");
        QTest::addColumn<bool>("limits"); // the first channel's limit lines

        QTest::newRow("one group: its limits")
            << QList<ArchivedRecord>{Record(2, 1, "2024-03-02 10:00", -12.0),
                                     Record(1, 1, "2024-03-01 09:00", -30.0)}
            << 2 << 0 << 0 << true;
        QTest::newRow("two groups: no lines")
            << QList<ArchivedRecord>{Record(1, 1, "2024-03-01 09:00", -12.0),
                                     Record(2, 2, "2024-03-02 10:00", -12.0)}
            << 2 << 0 << 0 << false;
        QTest::newRow("LOW marked, not drawn as a reading")
            << QList<ArchivedRecord>{Record(1, 1, "2024-03-01 09:00", std::nullopt),
                                     Record(2, 1, "2024-03-02 10:00", -12.0)}
            << 1 << 1 << 0 << true;
        QTest::newRow("a record without a date: counted, not drawn")
            << QList<ArchivedRecord>{Record(1, 1, "", -12.0),
                                     Record(2, 1, "2024-03-02 10:00", -12.0)}
            << 1 << 0 << 1 << true;
    }
    void ontHistory_drawsDatedReadingsAndOneGroupsLimits()
    {
        QFETCH(QList<ArchivedRecord>, records);
        QFETCH(int, points);
        QFETCH(int, lows);
        QFETCH(int, undated);
        QFETCH(bool, limits);

        const OntHistoryPlan plan = PlanOntHistory(records);
        QCOMPARE(plan.points[0].size(), points);
        QCOMPARE(plan.lowAt[0].size(), lows);
        QCOMPARE(plan.undated, undated);
        QCOMPARE(plan.limits[0].has_value(), limits);
        // Oldest first, each reading with its verdict by its record's own limits.
        for (qsizetype i = 1; i < plan.points[0].size(); ++i)
            QVERIFY(plan.points[0][i - 1].when <= plan.points[0][i].when);
        for (const HistoryPoint& p : plan.points[0])
            QCOMPARE(p.verdict,
                     p.power > -27.0 ? std::optional(Verdict::Pass) : std::optional(Verdict::Fail));
        QCOMPARE(OldestFirst(records).constLast().measured.isEmpty(), undated > 0);
    }
};

QTEST_GUILESS_MAIN(TestJobs)
#include "tst_jobs.moc"
