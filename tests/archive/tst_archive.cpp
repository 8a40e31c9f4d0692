// The archive's rules against a real database: an SQLite file, or (QX_ARCHIVE_ENGINE=
// postgresql) a PostgreSQL server the suite starts itself. The same table runs on both.
#include "ArchiveTestSupport.h"
#include "archive/data/RecordKey.h"
#include "archive/data/SubmissionJson.h"
#include "archive/listing/RecordListing.h"
#include "archive/places/PlaceStore.h"
#include "archive/writer/ArchiveWriter.h"
#include "archivewindow/ArchiveRecordModel.h"
#include "cliarchive/CliArchive.h"
#include "common/ProgramFacts.h"
#include "verdicts/Verdict.h"

#include <QBuffer>
#include <QDateTime>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <numeric>

using OptionalDouble = std::optional<double>;

class TestArchive : public QObject
{
    Q_OBJECT

private:
    TestArchives archives_;

    static ArchivedDownload DownloadOf(ArchiveStore& store, qint64 id)
    {
        for (const ArchivedDownload& d : store.Downloads().value_or(QList<ArchivedDownload>()))
            if (d.id == id)
                return d;
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(archives_.Start(UsePostgres(), &error), qPrintable(error));
    }

    void archive_keepsTextsDecodedValuesAndVerdict_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<OptionalDouble>>("powers");
        QTest::addColumn<QList<bool>>("low");
        QTest::addColumn<std::optional<int>>("group");
        QTest::addColumn<QString>("measured");

        const OptionalDouble none;
        QTest::newRow("downloaded, one LOW")
            << QStringList{"   1", "   -12.30",      "LOW", "   -20.51", "   -9.50",
                           "2",    "2022-9-20 13:11"}
            << QList<OptionalDouble>{-12.3, none, -20.51, -9.5}
            << QList<bool>{false, true, false, false} << std::optional<int>(2)
            << QStringLiteral("2022-09-20T13:11");
        QTest::newRow("imported as a spreadsheet types it")
            << QStringList{"1", "-12.3", "-25", "-28.25", "0.5", "1", "2022-9-2 9:05"}
            << QList<OptionalDouble>{-12.3, -25.0, -28.25, 0.5}
            << QList<bool>{false, false, false, false} << std::optional<int>(1)
            << QStringLiteral("2022-09-02T09:05");
        QTest::newRow("group unknown to the meter")
            << QStringList{"   3",      "   -12.30", "   -12.30",    "   -12.30",
                           "   -12.30", "7",         "2023-1-1 0:00"}
            << QList<OptionalDouble>{-12.3, -12.3, -12.3, -12.3}
            << QList<bool>{false, false, false, false} << std::optional<int>()
            << QStringLiteral("2023-01-01T00:00");
        QTest::newRow("no date, no number")
            << QStringList{"4", "abc", "LOW", "", "-1", "3", "2022-13-40 25:61"}
            << QList<OptionalDouble>{none, none, none, -1.0}
            << QList<bool>{false, true, false, false} << std::optional<int>(3) << QString();
    }
    void archive_keepsTextsDecodedValuesAndVerdict()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<OptionalDouble>, powers);
        QFETCH(QList<bool>, low);
        QFETCH(std::optional<int>, group);
        QFETCH(QString, measured);

        ArchiveStore store(archives_.Fresh());
        const ThresholdTable limits = SampleLimits();
        QVERIFY2(store.Write(MeterSubmission({texts}, "SN1", limits)), qPrintable(store.Error()));
        const QList<ArchivedRecord> records = store.Records({}, std::nullopt, 10).value();
        QCOMPARE(records.size(), 1);
        const ArchivedRecord& r = records.first();
        QCOMPARE(r.texts, texts);
        for (int p = 0; p < 4; ++p) {
            QCOMPARE(r.powers[p].has_value(), powers[p].has_value());
            if (powers[p])
                QCOMPARE(*r.powers[p], *powers[p]);
            QCOMPARE(r.low[p], low[p]);
        }
        QCOMPARE(r.group, group);
        QCOMPARE(r.measured, measured);
        // Judged as the data page judges, by the limits kept with the record.
        const std::optional<Verdict> verdict = JudgeRow(texts, limits).record;
        QCOMPARE(r.verdict, verdict ? std::optional<QString>(VerdictName(*verdict)) : std::nullopt);
        QCOMPARE(JudgeRow(r.texts, r.limits).record, verdict);
    }

    // The meter can send a limit that is no number: it is unknown, kept as NULL (and null in
    // the queue's JSON), and judges nothing; the download is archived all the same.
    void unknownLimit_keptAsUnknownJudgesNothing_data()
    {
        QTest::addColumn<bool>("throughQueue");
        QTest::newRow("written at once") << false;
        QTest::newRow("waited in the queue") << true;
    }
    void unknownLimit_keptAsUnknownJudgesNothing()
    {
        QFETCH(bool, throughQueue);

        ThresholdTable limits = SampleLimits();
        limits.Group(1).limits[0] = std::numeric_limits<float>::quiet_NaN(); // 1310 nm Over
        const QList<QStringList> rows = MeterDownloadRows(60, 5);
        ArchiveSubmission s = MeterSubmission(rows, "A", limits);
        if (throughQueue)
            s = SubmissionFromJson(SubmissionToJson(s)).value();
        ArchiveStore store(archives_.Fresh());
        QVERIFY2(store.Write(s), qPrintable(store.Error()));
        const QList<ArchivedRecord> records = store.Records({}, std::nullopt, 100).value();
        QCOMPARE(records.size(), rows.size());
        int ofGroup1 = 0;
        for (const ArchivedRecord& r : records) {
            const std::optional<Verdict> verdict = JudgeRow(r.texts, limits).record;
            QCOMPARE(r.verdict,
                     verdict ? std::optional<QString>(VerdictName(*verdict)) : std::nullopt);
            if (r.group == 1) {
                QVERIFY(std::isnan(r.limits.Group(1).limits[0]));
                QCOMPARE(r.limits.Group(1).limits[1], limits.Group(1).limits[1]);
                ++ofGroup1;
            }
        }
        QVERIFY(ofGroup1 > 0);
    }

    // Thresholds downloaded (or a file loaded) after the records, in the same connection:
    // that connection's records without limits take them; others stay as they are.
    void limitsKnownLater_attachedToRecordsThatHaveNone()
    {
        ArchiveStore store(archives_.Fresh());
        const QList<QStringList> early = MeterDownloadRows(40, 31);
        const QList<QStringList> other = MeterDownloadRows(40, 32);
        const QList<QStringList> judged = MeterDownloadRows(40, 33);
        ThresholdTable own = SampleLimits();
        own.Group(1).limits[0] = -20.0f;
        const ArchiveSubmission a = MeterSubmission(early, "A", ThresholdTable());
        const ArchiveSubmission b = MeterSubmission(other, "A", ThresholdTable());
        const ArchiveSubmission c = MeterSubmission(judged, "A", own);
        QVERIFY(store.Write(a) && store.Write(b) && store.Write(c));

        const ThresholdTable later = SampleLimits();
        const QList<QUuid> connection{a.facts.uuid, c.facts.uuid};
        QCOMPARE(store.AttachLimits(connection, later), early.size());
        QCOMPARE(store.AttachLimits(connection, later), 0); // once

        const auto expected = [&](const QStringList& texts) -> std::optional<QString> {
            const ThresholdTable* limits = early.contains(texts)    ? &later
                                           : judged.contains(texts) ? &own
                                                                    : nullptr;
            const std::optional<Verdict> v =
                limits ? JudgeRow(texts, *limits).record : std::nullopt;
            return v ? std::optional<QString>(VerdictName(*v)) : std::nullopt;
        };
        const QList<ArchivedRecord> records = store.Records({}, std::nullopt, 1000).value();
        QCOMPARE(records.size(), early.size() + other.size() + judged.size());
        int fails = 0;
        for (const ArchivedRecord& r : records) {
            QCOMPARE(r.verdict, expected(r.texts));
            fails += r.verdict == QStringLiteral("Fail") ? 1 : 0;
        }
        QVERIFY(fails > 0);
    }

    void deduplicate_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("newInSecond");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("downloads");

        const int n = 20;
        QTest::newRow("same download twice") << "meter A"
                                             << "meter A" << 0 << n << 2;
        QTest::newRow("download, then its CSV import") << "meter A"
                                                       << "csv" << 0 << n << 2;
        QTest::newRow("import, then the meter's download") << "import"
                                                           << "meter A" << 0 << n << 2;
        QTest::newRow("the same values from another meter") << "meter A"
                                                            << "meter B" << n << 2 * n << 2;
        QTest::newRow("download from a port without serial") << "meter A"
                                                             << "no serial" << 0 << n << 2;
        // Identical rows of one download are different measurements (all LOW in one
        // minute); their download again adds none.
        QTest::newRow("each row twice in one download, then once") << "meter A doubled"
                                                                   << "meter A" << 0 << 2 * n << 2;
        QTest::newRow("each row twice in one download, twice")
            << "meter A doubled"
            << "meter A doubled" << 0 << 2 * n << 2;
        QTest::newRow("a download delivered again") << "meter A"
                                                    << "again" << 0 << n << 1;
        // A power the data page reads as no number (a carriage return after it) is not the
        // record with that number: kept with its own text.
        // ("LOW" with it is still LOW, as on the page.)
        int numbers = 0;
        for (const QStringList& row : MeterDownloadRows(n))
            numbers += row[1].trimmed() != QLatin1String("LOW");
        QTest::newRow("import whose powers end in a carriage return")
            << "import"
            << "cr" << numbers << n + numbers << 2;
    }
    void deduplicate()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, newInSecond);
        QFETCH(int, records);
        QFETCH(int, downloads);

        const QList<QStringList> rows = MeterDownloadRows(20);
        const QList<QStringList> csv = CsvRoundTrip(rows, archives_.Path("dedup.csv"));
        QCOMPARE(csv.size(), rows.size());
        QVERIFY(csv != rows); // the import's texts differ from the download's
        const auto make = [&](const QString& kind) {
            if (kind == QLatin1String("csv"))
                return ImportSubmission(csv);
            if (kind == QLatin1String("import"))
                return ImportSubmission(rows);
            if (kind == QLatin1String("cr")) {
                QList<QStringList> ended = rows;
                for (QStringList& row : ended)
                    row[1] += QLatin1Char('\r');
                return ImportSubmission(ended);
            }
            if (kind == QLatin1String("meter A doubled"))
                return MeterSubmission(rows + rows, "A");
            return MeterSubmission(rows, kind == QLatin1String("meter B")     ? "B"
                                         : kind == QLatin1String("no serial") ? ""
                                                                              : "A");
        };
        ArchiveStore store(archives_.Fresh());
        const ArchiveSubmission one = make(first);
        const std::optional<ArchiveWriteResult> a = store.Write(one);
        QVERIFY2(a, qPrintable(store.Error()));
        QCOMPARE(a->newRecords, one.rows.size());
        const std::optional<ArchiveWriteResult> b =
            store.Write(second == QLatin1String("again") ? one : make(second));
        QVERIFY2(b, qPrintable(store.Error()));
        QCOMPARE(b->alreadyArchived, second == QLatin1String("again"));
        QCOMPARE(b->newRecords, newInSecond);
        QCOMPARE(store.CountRecords().value(), records);
        const QList<ArchivedDownload> all = store.Downloads().value();
        QCOMPARE(all.size(), downloads);
        // Every download is linked to each of its rows' records once, new or found again.
        for (const ArchivedDownload& d : all)
            QCOMPARE(d.records, d.facts.arrived);
    }

    void incompleteDownload_keptAndMarked()
    {
        ArchiveStore store(archives_.Fresh());
        ArchiveSubmission s = MeterSubmission(MeterDownloadRows(100).mid(0, 37), "SN1");
        s.facts.expected = 100;
        s.facts.arrived = 37;
        s.facts.completed = false;
        s.facts.ending = DownloadEnding::Stalled;
        const std::optional<ArchiveWriteResult> result = store.Write(s);
        QVERIFY2(result, qPrintable(store.Error()));
        const ArchivedDownload d = DownloadOf(store, result->downloadId);
        QCOMPARE(d.facts.completed, false);
        QCOMPARE(d.facts.ending, DownloadEnding::Stalled);
        QCOMPARE(d.facts.expected, 100);
        QCOMPARE(d.facts.arrived, 37);
        QCOMPARE(d.records, 37);
        QCOMPARE(d.facts.uuid, s.facts.uuid);
        QCOMPARE(d.facts.identity.serial, QStringLiteral("SN1"));
    }

    void filters_data()
    {
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("until");
        QTest::addColumn<int>("group");       // 0: any
        QTest::addColumn<QString>("verdict"); // "*": any; "": none
        QTest::addColumn<QString>("note");

        QTest::newRow("everything") << ""
                                    << "" << 0 << "*"
                                    << "";
        QTest::newRow("from a date") << "2024-07-01"
                                     << "" << 0 << "*"
                                     << "";
        QTest::newRow("a date range and a group") << "2024-03-01"
                                                  << "2024-05-31" << 2 << "*"
                                                  << "";
        QTest::newRow("a group") << ""
                                 << "" << 3 << "*"
                                 << "";
        QTest::newRow("fail") << ""
                              << "" << 0 << "Fail"
                              << "";
        QTest::newRow("pass in group 1") << ""
                                         << "" << 1 << "Pass"
                                         << "";
        QTest::newRow("no verdict") << ""
                                    << "" << 0 << ""
                                    << "";
        QTest::newRow("a note, any case") << ""
                                          << "" << 0 << "*"
                                          << "north";
        QTest::newRow("a note with a wildcard") << ""
                                                << "" << 0 << "*"
                                                << "%";
        QTest::newRow("a note beyond ASCII, as written") << ""
                                                         << "" << 0 << "*"
                                                         << "Über Straße";
        QTest::newRow("a note beyond ASCII, any case") << ""
                                                       << "" << 0 << "*"
                                                       << "üBER STRAßE";
    }
    void filters()
    {
        QFETCH(QString, since);
        QFETCH(QString, until);
        QFETCH(int, group);
        QFETCH(QString, verdict);
        QFETCH(QString, note);

        static ArchiveTarget target;
        static QList<QStringList> north;
        static QList<QStringList> depot;
        static QList<QStringList> unjudged;
        if (target.Display().isEmpty()) {
            target = archives_.Fresh();
            ArchiveStore store(target);
            north = MeterDownloadRows(100, 7);
            depot = MeterDownloadRows(100, 8);
            ArchiveSubmission a = MeterSubmission(north, "A");
            a.facts.note = QStringLiteral("Site North, ONT 17");
            ArchiveSubmission b = MeterSubmission(depot, "B");
            b.facts.note = QStringLiteral("Depot, Über Straße 4");
            unjudged = MeterDownloadRows(30, 9);
            const std::optional<ArchiveWriteResult> written = store.Write(a);
            QVERIFY(written && store.Write(b) &&
                    store.Write(MeterSubmission(unjudged, "C", ThresholdTable())));
            RecordPlace place;
            place[RecordPlace::Job] = QStringLiteral("Kunde \"Ä\", Nord");
            place[RecordPlace::Technician] = QStringLiteral("Li");
            QVERIFY(PlaceStore(store).Assign(
                PlaceStore(store).RecordIdsOfDownload(written->downloadId).value().mid(0, 40),
                place));
        }
        // What the filter must give, worked out from the rows themselves.
        QList<QString> expected;
        const ThresholdTable limits = SampleLimits();
        const auto consider = [&](const QList<QStringList>& rows, const QString& rowsNote,
                                  bool judged) {
            for (const QStringList& row : rows) {
                const QString measured = MeasuredIso(row[6]);
                if (!since.isEmpty() && measured < since)
                    continue;
                if (!until.isEmpty() && (measured.isEmpty() || measured.left(10) > until))
                    continue;
                if (group != 0 && GroupOfText(row[5]) != group)
                    continue;
                const std::optional<Verdict> v =
                    judged ? JudgeRow(row, limits).record : std::nullopt;
                if (verdict != QLatin1String("*") && (v ? VerdictName(*v) : QString()) != verdict)
                    continue;
                if (!note.isEmpty() && !rowsNote.contains(note, Qt::CaseInsensitive))
                    continue;
                expected << measured;
            }
        };
        consider(north, QStringLiteral("Site North, ONT 17"), true);
        consider(depot, QStringLiteral("Depot, Über Straße 4"), true);
        consider(unjudged, QString(), false);
        std::sort(expected.begin(), expected.end(), std::greater<>());

        ArchiveFilter filter;
        filter.since = FilterBoundIso(since, false);
        filter.until = FilterBoundIso(until, true);
        if (group != 0)
            filter.group = group;
        if (verdict != QLatin1String("*"))
            filter.verdict = verdict;
        filter.note = note;
        ArchiveStore store(target);
        const std::optional<QList<ArchivedRecord>> records =
            store.Records(filter, std::nullopt, 1000);
        QVERIFY2(records, qPrintable(store.Error()));
        QList<QString> got;
        for (const ArchivedRecord& r : *records)
            got << r.measured;
        QCOMPARE(got, expected); // newest first

        // A listing reads the same records with the texts the typed reads give, seven a chunk.
        RecordListing listing(store, filter);
        qsizetype at = 0;
        const auto same = [&](const ListedRecord& l, const ListedDownload& d) {
            QVERIFY(at < records->size());
            const ArchivedRecord& r = records->at(at++);
            QStringList texts;
            for (const QByteArrayView t : l.texts)
                texts << QString::fromUtf8(t);
            QStringList place;
            for (const QByteArrayView t : l.place)
                place << QString::fromUtf8(t);
            QVERIFY(l.id == r.id && l.download == r.downloadId && texts == r.texts &&
                    QString::fromUtf8(l.verdict) == r.verdict.value_or(QString()) &&
                    d.note == r.note && d.endedAt == r.downloadedAt && place == r.place.Texts());
        };
        std::optional<int> chunk;
        while ((chunk = listing.Next(7, same)) == 7) {
        }
        QVERIFY2(chunk, qPrintable(store.Error()));
        QCOMPARE(at, records->size());
        QVERIFY(verdict != QLatin1String("*") || note == QLatin1String("%") || !got.isEmpty() ||
                !since.isEmpty());
    }

    // `archive list` writes the same CSV whether an SQLite archive's rows come with the
    // engine's own calls or through Qt Sql (for a Qt whose driver carries its own SQLite).
    void listCsv_sameWithEngineCallsAndThroughQtSql()
    {
        if (UsePostgres())
            QSKIP("SQLite's rows alone have two ways");
        const ArchiveTarget target = archives_.Fresh();
        {
            ArchiveStore store(target);
            ArchiveSubmission a = MeterSubmission(MeterDownloadRows(100, 7), "A");
            a.facts.note = QStringLiteral("Depot, \"Über\" Straße 4");
            const std::optional<ArchiveWriteResult> written = store.Write(a);
            QVERIFY(written &&
                    store.Write(MeterSubmission(MeterDownloadRows(30, 9), "C", ThresholdTable())));
            RecordPlace place;
            place[RecordPlace::Job] = QStringLiteral("Kunde \"Ä\", Nord");
            QVERIFY(PlaceStore(store).Assign(
                PlaceStore(store).RecordIdsOfDownload(written->downloadId).value().mid(0, 40),
                place));
            // Debian's Qt runs its driver on the system's SQLite, the one linked here.
            RecordListing listing(store, {});
            QVERIFY(listing.Next(1, [](const ListedRecord&, const ListedDownload&) {}));
            QVERIFY(listing.SqliteEngineCalls());
        }
        ArchiveOptions options;
        options.where.target = target;
        const auto list = [&] {
            QBuffer out;
            QBuffer err;
            out.open(QIODevice::WriteOnly);
            err.open(QIODevice::WriteOnly);
            const int code =
                RunArchiveCommand(options, {QString(), RecordFormat::Csv, true}, out, err);
            return code == 0 ? out.data() : err.data();
        };
        const QByteArray engineCalls = list();
        RecordListing::ReadSqliteThroughQtSql(true);
        const auto restore = qScopeGuard([] { RecordListing::ReadSqliteThroughQtSql(false); });
        const QByteArray qtSql = list();
        QCOMPARE(engineCalls.count("\r\n"), 1 + 130);
        QCOMPARE(qtSql, engineCalls);
    }

    void note_editablePerDownload()
    {
        ArchiveStore store(archives_.Fresh());
        const std::optional<ArchiveWriteResult> written =
            store.Write(MeterSubmission(MeterDownloadRows(3), "A"));
        QVERIFY(written);
        const QString note = QStringLiteral("Job 4711 — ONT \"Süd\", 50%");
        QVERIFY2(store.SetNote(written->downloadId, note), qPrintable(store.Error()));
        QVERIFY2(store.SetNote(written->downloadId, note + "!"), qPrintable(store.Error()));
        const ArchivedDownload download = DownloadOf(store, written->downloadId);
        QCOMPARE(download.note, note + "!");
        QCOMPARE(store.Records({}, std::nullopt, 10).value().first().note, note + "!");
        // Who wrote it and who changed the note: the server's login, the PC's on a file.
        const QString who = UsePostgres() ? QStringLiteral("qx390d_writer") : LoginName();
        QCOMPARE(download.serverLogin, UsePostgres() ? who : QString());
        QCOMPARE(download.earlierNotes.size(), 2);
        QCOMPARE(download.earlierNotes[0].oldNote, QString());
        QCOMPARE(download.earlierNotes[1].oldNote, note);
        QCOMPARE(download.earlierNotes[1].changedBy, who);
        QVERIFY(!store.SetNote(written->downloadId + 1000, note));
        QVERIFY2(store.Error().contains(
                     QStringLiteral("no download %1").arg(written->downloadId + 1000)),
                 qPrintable(store.Error()));
    }

    // Places assigned to rows of a download, then what the filter and the jobs say.
    void places_assignedFilteredAndSummed_data()
    {
        // Each step: the rows' positions, then "field=text" (an empty text clears).
        QTest::addColumn<QList<QStringList>>("steps");
        QTest::addColumn<bool>("assigned");     // every step wrote
        QTest::addColumn<QString>("filterJob"); // "" does not filter
        QTest::addColumn<QString>("filterOnt");
        QTest::addColumn<QList<int>>("found"); // the rows the filter gives
        QTest::addColumn<QStringList>("jobs"); // "job|sites|ONTs|records"

        QTest::newRow("one job on three rows")
            << QList<QStringList>{{"0 1 2", "job=Acme 4711", "site=Main St 1", "ont=ONT-1"}} << true
            << "Acme 4711"
            << "" << QList<int>{0, 1, 2} << QStringList{"Acme 4711|Main St 1|ONT-1|3"};
        QTest::newRow("only the given texts change")
            << QList<QStringList>{{"0 1", "job=A", "ont=O1"}, {"1", "site=S2", "technician=Ann"}}
            << true << ""
            << "O1" << QList<int>{0, 1} << QStringList{"A|S2|O1|2"};
        QTest::newRow("an empty text clears it")
            << QList<QStringList>{{"0 1", "job=A", "ont=O1"}, {"0", "ont="}} << true << "A"
            << "O1" << QList<int>{1} << QStringList{"A||O1|2"};
        QTest::newRow("a job over two sites, and another job")
            << QList<QStringList>{{"0 1", "job=A", "site=S1", "ont=O1", "pon_port=OLT2/3/1:8"},
                                  {"2 3", "job=A", "site=S2", "ont=O2"},
                                  {"4", "job=B", "site=S3", "ont=O3"}}
            << true << "A"
            << "" << QList<int>{0, 1, 2, 3} << QStringList{"A|S1,S2|O1,O2|4", "B|S3|O3|1"};
        QTest::newRow("job and ONT together")
            << QList<QStringList>{{"0 1", "job=A", "ont=O1"}, {"2", "job=A", "ont=O2"}} << true
            << "A"
            << "O2" << QList<int>{2} << QStringList{"A||O1,O2|3"};
        QTest::newRow("the filter takes the whole text, as written")
            << QList<QStringList>{{"0", "job=Acme"}} << true << "acme"
            << "" << QList<int>{} << QStringList{"Acme|||1"};
        QTest::newRow("a missing record writes nothing")
            << QList<QStringList>{{"0 missing", "job=A"}} << false << "A"
            << "" << QList<int>{} << QStringList{};
    }
    void places_assignedFilteredAndSummed()
    {
        QFETCH(QList<QStringList>, steps);
        QFETCH(bool, assigned);
        QFETCH(QString, filterJob);
        QFETCH(QString, filterOnt);
        QFETCH(QList<int>, found);
        QFETCH(QStringList, jobs);

        const QList<QStringList> rows = MeterDownloadRows(8, 11);
        const ArchiveSubmission s = MeterSubmission(rows, "A");
        ArchiveStore store(archives_.Fresh());
        const std::optional<ArchiveWriteResult> written = store.Write(s);
        QVERIFY2(written, qPrintable(store.Error()));
        QList<int> all(rows.size());
        std::iota(all.begin(), all.end(), 0);
        const QList<qint64> ids =
            PlaceStore(store).RecordIdsOfDownload(written->downloadId).value();
        QCOMPARE(PlaceStore(store).RecordIdsAt(s.facts.uuid, all), ids);

        // What each row's place must read back as.
        QList<RecordPlace> expected(rows.size());
        for (const QStringList& step : steps) {
            QList<int> positions;
            QList<qint64> targets;
            for (const QString& p : step[0].split(' ')) {
                if (p == QLatin1String("missing")) {
                    targets << ids.last() + 1000;
                } else {
                    positions << p.toInt();
                    targets << PlaceStore(store).RecordIdsAt(s.facts.uuid, {p.toInt()}).value();
                }
            }
            RecordPlace place;
            for (const QString& set : step.mid(1)) {
                const QString name = set.section('=', 0, 0);
                for (int f = 0; f < RecordPlace::kFields; ++f)
                    if (PlaceFieldName(RecordPlace::Field(f)) == name)
                        place.texts[f] = set.section('=', 1);
            }
            QCOMPARE(PlaceStore(store).Assign(targets, place), assigned);
            if (!assigned) {
                QVERIFY2(store.Error().contains(QString::number(ids.last() + 1000)),
                         qPrintable(store.Error()));
                continue;
            }
            for (int position : positions)
                for (int f = 0; f < RecordPlace::kFields; ++f)
                    if (place.texts[f])
                        expected[position].texts[f] =
                            place.texts[f]->isEmpty() ? std::nullopt : place.texts[f];
        }

        ArchiveFilter filter;
        filter.job = filterJob;
        filter.ont = filterOnt;
        const QList<ArchivedRecord> records = store.Records(filter, std::nullopt, 100).value();
        QList<int> got;
        for (const ArchivedRecord& r : records) {
            const int position = static_cast<int>(ids.indexOf(r.id));
            QCOMPARE(r.place, expected[position]);
            got << position;
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, found);

        // The jobs: their texts as the rows say, their dates and worst verdict from the rows.
        const QList<JobSummary> summaries = PlaceStore(store).Jobs().value();
        QStringList gotJobs;
        for (const JobSummary& job : summaries) {
            gotJobs << QStringList{job.job, job.sites.join(','), job.onts.join(','),
                                   QString::number(job.records)}
                           .join('|');
            QStringList measured;
            std::optional<Verdict> worst;
            for (int p = 0; p < rows.size(); ++p) {
                if (expected[p].Text(RecordPlace::Job) != job.job)
                    continue;
                measured << MeasuredIso(rows[p][6]);
                const std::optional<Verdict> v = JudgeRow(rows[p], SampleLimits()).record;
                if (v && (!worst || *v > *worst))
                    worst = v;
            }
            measured.sort();
            QCOMPARE(job.firstMeasured, measured.first());
            QCOMPARE(job.lastMeasured, measured.last());
            QCOMPARE(job.worst, worst);
        }
        gotJobs.sort();
        QCOMPARE(gotJobs, jobs);
        // The dialog offers the jobs there are.
        QStringList recent = PlaceStore(store).RecentPlaceTexts(10).value()[RecordPlace::Job];
        recent.sort();
        QStringList assignedJobs;
        for (const RecordPlace& place : expected)
            if (place[RecordPlace::Job] && !assignedJobs.contains(*place[RecordPlace::Job]))
                assignedJobs << *place[RecordPlace::Job];
        assignedJobs.sort();
        QCOMPARE(recent, assignedJobs);
    }

    void migration_fromFirstVersionKeepsWhatWasThere()
    {
        const ArchiveTarget target = archives_.Fresh();
        {
            ArchiveStore first(target);
            QVERIFY2(first.Open(1), qPrintable(first.Error()));
            QCOMPARE(first.SchemaVersion(), 1);
        }
        // A download as the first version stored it (it had no notes).
        QVERIFY(archives_.RawSql(
            target, {QStringLiteral(
                        "INSERT INTO downloads (uuid, source, ended_at, port, usb_serial, host, "
                        "login, source_file, expected, arrived, completed, ending, new_records) "
                        "VALUES ('9b2f7a52-7d0e-4a47-9a3e-0d1c8f3e2a10', 'meter', "
                        "'2025-01-02T03:04:05.000Z', '/dev/ttyACM0', 'SN9', 'pc', 'tech', '', "
                        "0, 0, 1, 'no data', 0)")}));
        ArchiveStore store(target);
        QVERIFY2(store.Open(), qPrintable(store.Error()));
        QCOMPARE(store.SchemaVersion(), ArchiveSchema::kVersion);
        const QList<ArchivedDownload> downloads = store.Downloads().value();
        QCOMPARE(downloads.size(), 1);
        QCOMPARE(downloads.first().facts.identity.serial, QStringLiteral("SN9"));
        QCOMPARE(downloads.first().facts.ending, DownloadEnding::NoData);
        QCOMPARE(downloads.first().note, QString());
        QVERIFY(store.Write(MeterSubmission(MeterDownloadRows(5), "SN9")));
        QVERIFY(store.SetNote(downloads.first().id, QStringLiteral("now with a note")));

        // Limits kept by the second version (whose limit columns took no NULL) stay each
        // record's own.
        const ArchiveTarget judged = archives_.Fresh();
        {
            ArchiveStore second(judged);
            QVERIFY2(second.Open(2), qPrintable(second.Error()));
            QVERIFY2(second.Write(MeterSubmission(MeterDownloadRows(30), "A")),
                     qPrintable(second.Error()));
        }
        ArchiveStore migrated(judged);
        const QList<ArchivedRecord> records = migrated.Records({}, std::nullopt, 100).value();
        QCOMPARE(records.size(), 30);
        for (const ArchivedRecord& r : records) {
            QVERIFY(r.group && r.limits.IsKnown(*r.group));
            QCOMPARE(r.limits.Group(*r.group).limits, SampleLimits().Group(*r.group).limits);
        }
    }

    void migration_fromFifthVersionKeepsRecordsWithoutPlaces()
    {
        const ArchiveTarget target = archives_.Fresh();
        const QList<QStringList> rows = MeterDownloadRows(20, 3);
        {
            ArchiveStore fifth(target);
            QVERIFY2(fifth.Open(5), qPrintable(fifth.Error()));
            QVERIFY2(fifth.Write(MeterSubmission(rows, "A")), qPrintable(fifth.Error()));
        }
        ArchiveStore store(target);
        QVERIFY2(store.Open(), qPrintable(store.Error()));
        QCOMPARE(store.SchemaVersion(), ArchiveSchema::kVersion);
        const QList<ArchivedRecord> records = store.Records({}, std::nullopt, 100).value();
        QCOMPARE(records.size(), rows.size());
        QSet<QStringList> texts;
        for (const ArchivedRecord& r : records) {
            texts.insert(r.texts);
            QCOMPARE(r.place, RecordPlace());
        }
        QCOMPARE(texts, QSet<QStringList>(rows.cbegin(), rows.cend()));
    }

    void newerSchema_refusedWithAClearMessage()
    {
        const ArchiveTarget target = archives_.Fresh();
        {
            ArchiveStore store(target);
            QVERIFY(store.Write(MeterSubmission(MeterDownloadRows(5), "A")));
        }
        QVERIFY(
            archives_.RawSql(target, {QStringLiteral("UPDATE archive_schema SET version = 99")}));
        ArchiveStore store(target);
        QVERIFY(!store.Write(MeterSubmission(MeterDownloadRows(5, 2), "A")));
        QVERIFY2(store.Error().contains(QStringLiteral("newer version of the program (schema 99")),
                 qPrintable(store.Error()));
        QVERIFY(!store.Records({}, std::nullopt, 10));
        ArchiveStore look(target);
        QCOMPARE(look.SchemaVersion(), 99);
    }

    void writer_writesEachSubmissionInOrder()
    {
        const ArchiveTarget target = archives_.Fresh();
        ArchiveWriter writer(target, nullptr, archives_.LocalPath());
        QSignalSpy written(&writer, &ArchiveWriter::Written);
        QSignalSpy failed(&writer, &ArchiveWriter::Failed);
        const QList<QStringList> rows = MeterDownloadRows(100);
        writer.Submit(MeterSubmission(rows, "A").facts, rows, SampleLimits());
        writer.Submit(MeterSubmission(rows, "A"));
        writer.Submit(ImportSubmission(MeterDownloadRows(10, 3)));
        QTRY_COMPARE_WITH_TIMEOUT(written.size(), 3, 20000);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(written[0][1].toInt(), 100); // new
        QCOMPARE(written[1][1].toInt(), 0);
        QCOMPARE(written[1][2].toInt(), 100); // found again
        QCOMPARE(written[2][1].toInt(), 10);
    }

    // The window's list reads a page at a time, each after the last record it holds, on the
    // reader's thread. Records another program writes meanwhile, wherever they fall, are in
    // the list once it has read to its end (put in their places among the rows already
    // held), and no record is there twice.
    void model_listsEveryRecordOnceWhateverIsWrittenBetweenPages_data()
    {
        QTest::addColumn<QString>("where");    // the measurement time of the 10 records written
        QTest::addColumn<bool>("afterTheEnd"); // written once the list is read, then Refresh

        QTest::newRow("nothing written") << QString() << false;
        QTest::newRow("newer than every record") << "newest" << false;
        QTest::newRow("among the first page's records") << "first page" << false;
        QTest::newRow("older than every record: in a later page") << "oldest" << false;
        QTest::newRow("among the records once all are read") << "first page" << true;
    }
    void model_listsEveryRecordOnceWhateverIsWrittenBetweenPages()
    {
        QFETCH(QString, where);
        QFETCH(bool, afterTheEnd);
        const ArchiveTarget target = archives_.Fresh();
        ArchiveStore store(target);
        for (quint32 seed = 1; seed <= 3; ++seed)
            QVERIFY(store.Write(MeterSubmission(MeterDownloadRows(100, seed), "A")));

        ArchiveRecordModel model(target);
        const auto readsCome = [&model] {
            QTRY_VERIFY_WITH_TIMEOUT(!model.IsReading(), 20000);
            QVERIFY2(model.Error().isEmpty(), qPrintable(model.Error()));
        };
        model.SetFilter({});
        readsCome();
        QCOMPARE(model.rowCount(), ArchiveRecordModel::kPageRows);
        // From here on rows only come: nothing starts the list over.
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        QList<qint64> written;
        const auto write = [&] {
            QString when = QStringLiteral("2099-12-31T23:59");
            if (where == QLatin1String("first page"))
                when = model.Record(100).measured;
            else if (where == QLatin1String("oldest"))
                when = QStringLiteral("1990-01-01T00:00");
            const QString text =
                QDateTime::fromString(when, Qt::ISODate).toString(QStringLiteral("yyyy-M-d H:mm"));
            QList<QStringList> rows;
            for (int i = 0; i < 10; ++i)
                rows << QStringList{QString::number(i + 1).rightJustified(4),
                                    QString::asprintf("%9.2f", -10.0 - i),
                                    "LOW",
                                    "LOW",
                                    "LOW",
                                    "   1",
                                    text};
            const qint64 before = store.LastRecordId().value();
            QVERIFY(store.Write(MeterSubmission(rows, "B")));
            for (qint64 id = before + 1; id <= before + 10; ++id)
                written << id;
        };
        if (!where.isEmpty() && !afterTheEnd)
            write();
        while (model.canFetchMore({})) {
            model.fetchMore({});
            readsCome();
        }
        if (afterTheEnd) {
            write();
            model.Refresh();
            readsCome();
        }

        QCOMPARE(model.rowCount(), 300 + written.size());
        QSet<qint64> ids;
        for (int r = 0; r < model.rowCount(); ++r) {
            const ArchivedRecord& record = model.Record(r);
            ids.insert(record.id);
            if (r > 0) {
                const ArchivedRecord& above = model.Record(r - 1);
                QVERIFY(above.measured > record.measured ||
                        (above.measured == record.measured && above.id > record.id));
            }
            // Each power cell carries its verdict by the record's own limits.
            for (int c = kFirstPowerColumn; c < kFirstPowerColumn + kPowerColumns; ++c) {
                const std::optional<Verdict> v =
                    JudgeRow(record.texts, SampleLimits()).channels[static_cast<size_t>(c - 1)];
                const QVariant shown = model.index(r, c).data(ArchiveRecordModel::VerdictRole);
                QCOMPARE(shown.isValid(), v.has_value());
                if (v)
                    QCOMPARE(shown.toInt(), static_cast<int>(*v));
            }
        }
        QCOMPARE(ids.size(), model.rowCount());
        for (qint64 id : std::as_const(written))
            QVERIFY(ids.contains(id));
        QCOMPARE(model.AddedRecords(), where == QLatin1String("oldest") ? 0 : written.size());
        QCOMPARE(resets.size(), 0);
        QCOMPARE(model.RowTexts({0}).first(), model.Record(0).texts);
    }

    // A page that cannot be read says why and can be read again; it never passes for the
    // end of the list.
    void model_aFailedPageIsToldAndRetried()
    {
        const ArchiveTarget target = archives_.Fresh();
        {
            ArchiveStore store(target);
            for (quint32 seed = 1; seed <= 3; ++seed)
                QVERIFY(store.Write(MeterSubmission(MeterDownloadRows(100, seed), "A")));
        }
        ArchiveRecordModel model(target);
        QSignalSpy states(&model, &ArchiveRecordModel::StateChanged);
        model.SetFilter({});
        QVERIFY(model.IsReading());
        QTRY_VERIFY_WITH_TIMEOUT(!model.IsReading(), 20000);
        QCOMPARE(model.rowCount(), ArchiveRecordModel::kPageRows);
        QVERIFY(model.canFetchMore({}));

        QVERIFY(archives_.RawSql(target, {QStringLiteral("ALTER TABLE records RENAME TO gone")}));
        model.fetchMore({});
        QTRY_VERIFY_WITH_TIMEOUT(!model.IsReading(), 20000);
        QVERIFY2(model.Error().contains(QStringLiteral("records")), qPrintable(model.Error()));
        QVERIFY(!model.canFetchMore({}));
        QCOMPARE(model.rowCount(), ArchiveRecordModel::kPageRows);
        QVERIFY(states.size() >= 4); // reading, read, reading, failed

        QVERIFY(archives_.RawSql(target, {QStringLiteral("ALTER TABLE gone RENAME TO records")}));
        model.Retry();
        QVERIFY(model.IsReading());
        QTRY_VERIFY_WITH_TIMEOUT(!model.IsReading(), 20000);
        QCOMPARE(model.Error(), QString());
        QCOMPARE(model.rowCount(), 300);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
