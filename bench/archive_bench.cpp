// qx390d-bench-archive: the archive's speed on SQLite and on a PostgreSQL server (one the
// bench starts itself on a Unix socket, as the tests do, unless --postgres names one).
// Figures are printed against their targets; nothing here is a test.

#include "PgServer.h"
#include "archive/data/RecordKey.h"
#include "archive/store/ArchiveStore.h"
#include "archivewindow/ArchiveRecordModel.h"
#include "archivewindow/ArchiveWindow.h"
#include "common/FileDialogs.h"
#include "common/Prompter.h"
#include "records/MeasurementRecord.h"
#include "sim/VirtualMeter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

// The window shows no box and no file dialog here.
class NoBoxes : public Prompter, public FileDialogs
{
public:
    Button Show(QWidget*, const QString&, const QString& text, int, Icon,
                std::optional<Button>) override
    {
        std::fprintf(stderr, "  unexpected box: %s\n", qPrintable(text));
        shown = true;
        return Ok;
    }
    bool shown = false;
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
};

struct Figures
{
    double download = 0.0;    // ms, median, 100 new records
    double downloadCpu = 0.0; // ms, median, the CPU time of the same
    double redownload = 0.0;  // ms, median, 100 records found again
    double fill = 0.0;        // s
    qint64 records = 0;
    double filter = 0.0;    // ms, median: date range + group, first page
    double filterAll = 0.0; // ms, median: the same, every record it finds
    int filterRows = 0;
    double listMonth = 0.0; // ms, median: `archive list` of one month as CSV, a process
    int listRows = 0;
    double firstScreen = 0.0; // ms, median: the lazy model's first page on a new connection
    double window = 0.0;      // ms, median: the Archive window made, shown and drawn
    double bytesPerRecord = 0.0;
    double noteFilter = 0.0; // ms, median: date range + group + note, first page
    int noteFilterRows = 0;
    double listAllRate = 0.0; // records per second: `archive list` of everything, a process
    qint64 listAllRows = 0;
    double listAllRssMb = 0.0; // the process's peak resident memory
    bool ok = true;
};

QList<QStringList> Rows(quint32 seed)
{
    QList<QStringList> rows;
    const QList<MeterRecord> records = VirtualMeter::GenerateRecords(100, seed);
    for (int i = 0; i < records.size(); ++i) {
        const MeterRecord& r = records[i];
        const MeasurementRecord m{quint16(i), 100,    r.ont1270, r.ont1310, r.olt1490, r.olt1577,
                                  r.group,    r.year, r.month,   r.day,     r.hour,    r.minute};
        rows << m.RowTexts();
    }
    return rows;
}

ThresholdTable FactoryLimits()
{
    ThresholdTable table;
    const auto groups = VirtualMeter::FactoryGroups();
    for (int g = 1; g <= 3; ++g) {
        table.Group(g).number = static_cast<quint8>(g);
        table.Group(g).limits = groups[static_cast<size_t>(g - 1)].limits;
        table.MarkKnown(g);
    }
    return table;
}

ArchiveSubmission Download(quint32 seed)
{
    ArchiveSubmission s;
    const QList<QStringList> rows = Rows(seed);
    s.facts = DownloadFacts::ForMeter(QStringLiteral("/dev/ttyACM0"), DownloadEnding::Completed,
                                      static_cast<int>(rows.size()), static_cast<int>(rows.size()));
    s.facts.identity.serial = QStringLiteral("BENCH%1").arg(seed % 7);
    // Fifty sites, their names beyond ASCII, as a crew's notes are.
    s.facts.note = QStringLiteral("Baustelle Straße %1, ONT %2").arg(seed % 50).arg(seed);
    s.rows = rows;
    s.limits = FactoryLimits();
    return s;
}

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs the event loop until the model's read has come (the reader answers on this thread);
// false after 30 s.
bool ReadsCome(const ArchiveRecordModel& model)
{
    QElapsedTimer waited;
    waited.start();
    while (model.IsReading() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return !model.IsReading() && model.Error().isEmpty();
}

template <typename F> double TimeMs(F f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// `settle`: brings the filled archive to the state it keeps in use (nothing on SQLite).
Figures Run(const ArchiveTarget& target, int records, int runs,
            const std::function<double(qint64)>& bytesPerRecord,
            const std::function<void()>& settle = {})
{
    Figures f;
    ArchiveStore store(target);
    if (!store.Open()) {
        std::fprintf(stderr, "  cannot open: %s\n", qPrintable(store.Error()));
        f.ok = false;
        return f;
    }
    // (a) one download of 100 records, each time new records; then one found again.
    QList<double> times;
    QList<double> cpu;
    quint32 seed = 1;
    for (int i = 0; i < runs; ++i) {
        const ArchiveSubmission s = Download(seed++);
        const double before = ThreadCpuMs();
        times << TimeMs([&] { f.ok = store.Write(s).has_value() && f.ok; });
        cpu << ThreadCpuMs() - before;
    }
    f.download = Median(times);
    f.downloadCpu = Median(cpu);
    times.clear();
    for (int i = 0; i < runs; ++i) {
        ArchiveSubmission s = Download(1 + static_cast<quint32>(i));
        s.facts.uuid = QUuid::createUuid();
        times << TimeMs([&] { f.ok = store.Write(s).has_value() && f.ok; });
    }
    f.redownload = Median(times);

    // (b) fill up to `records`.
    QElapsedTimer fill;
    fill.start();
    for (; seed <= static_cast<quint32>(records / 100); ++seed)
        f.ok = store.Write(Download(seed)).has_value() && f.ok;
    f.fill = static_cast<double>(fill.elapsed()) / 1000.0;
    f.records = store.CountRecords().value_or(0);
    if (!f.ok)
        std::fprintf(stderr, "  a write failed: %s\n", qPrintable(store.Error()));
    if (settle)
        settle();

    // (c) a quarter of a year in one group.
    ArchiveFilter filter;
    filter.since = FilterBoundIso(u"2023-04-01", false);
    filter.until = FilterBoundIso(u"2023-06-30", true);
    filter.group = 2;
    times.clear();
    QList<double> all;
    for (int i = 0; i < runs; ++i) {
        times << TimeMs(
            [&] { store.Records(filter, std::nullopt, ArchiveRecordModel::kPageRows); });
        all << TimeMs([&] {
            f.filterRows = static_cast<int>(store.Records(filter, std::nullopt, 1 << 30)
                                                .value_or(QList<ArchivedRecord>())
                                                .size());
        });
    }
    f.filter = Median(times);
    f.filterAll = Median(all);

    // (d) one month through the command-line tool, as a user runs it.
    times.clear();
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/qx390d-cli");
    for (int i = 0; i < std::min(runs, 10); ++i) {
        QProcess process;
        times << TimeMs([&] {
            process.start(cli, {QStringLiteral("--quiet"), QStringLiteral("--archive"),
                                target.Display(), QStringLiteral("archive"), QStringLiteral("list"),
                                QStringLiteral("--since"), QStringLiteral("2023-05-01"),
                                QStringLiteral("--until"), QStringLiteral("2023-05-31")});
            process.waitForFinished(30000);
        });
        f.listRows = static_cast<int>(process.readAllStandardOutput().count('\n')) - 1;
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "  archive list failed: %s\n",
                         process.readAllStandardError().constData());
            f.ok = false;
        }
    }
    f.listMonth = Median(times);

    // (c) the same with a site's note, as the window's three filters together.
    filter.note = QStringLiteral("straße 7,");
    times.clear();
    for (int i = 0; i < runs; ++i)
        times << TimeMs([&] {
            f.noteFilterRows =
                static_cast<int>(store.Records(filter, std::nullopt, ArchiveRecordModel::kPageRows)
                                     .value_or(QList<ArchivedRecord>())
                                     .size());
        });
    f.noteFilter = Median(times);

    // (d) everything through the command-line tool: the rate, and the tool's peak memory
    // (the largest of the children waited for so far, and this is the largest).
    {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer all;
        all.start();
        process.start(cli, {QStringLiteral("--quiet"), QStringLiteral("--archive"),
                            target.Display(), QStringLiteral("archive"), QStringLiteral("list")});
        process.waitForFinished(600000);
        const double seconds = static_cast<double>(all.nsecsElapsed()) / 1e9;
        f.listAllRows = f.records;
        f.listAllRate = seconds > 0 ? static_cast<double>(f.records) / seconds : 0.0;
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        f.listAllRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "  archive list of everything failed: %s\n",
                         process.readAllStandardError().constData());
            f.ok = false;
        }
    }

    // (e) the window's first screen: a new connection, the first page.
    times.clear();
    for (int i = 0; i < std::min(runs, 20); ++i)
        times << TimeMs([&] {
            ArchiveRecordModel model(target);
            model.SetFilter({});
            f.ok = ReadsCome(model) && model.rowCount() > 0 && f.ok;
        });
    f.firstScreen = Median(times);

    // (e) as the operator meets it: View/Archive... makes the window (a new connection, the
    // first page) and it is shown and drawn with its first screen of rows.
    times.clear();
    NoBoxes none;
    for (int i = 0; i < std::min(runs, 20); ++i)
        times << TimeMs([&] {
            ArchiveWindow window(target, none, none);
            window.show();
            f.ok = ReadsCome(*window.Model()) && f.ok;
            QCoreApplication::processEvents();
            window.grab();
        });
    f.window = Median(times);
    f.ok = f.ok && !none.shown;
    store.Close();
    f.bytesPerRecord = bytesPerRecord(f.records);
    return f;
}

void Line(const char* what, double value, const char* unit, double target)
{
    if (target > 0.0)
        std::printf("  %-52s %10.2f %-3s (target < %g %s: %s)\n", what, value, unit, target, unit,
                    value < target ? "target met" : "TARGET MISSED");
    else
        std::printf("  %-52s %10.2f %s\n", what, value, unit);
}

void Print(const char* engine, const Figures& f, double downloadTarget, double filterTarget)
{
    std::printf("%s\n", engine);
    Line("(a) archive a 100-record download (new records)", f.download, "ms", downloadTarget);
    std::printf("      (of which CPU time of the writing thread: %.2f ms; the rest is the disk "
                "or the server)\n",
                f.downloadCpu);
    Line("    the same download again (records found again)", f.redownload, "ms", downloadTarget);
    std::printf("  (b) fill to %lld records: %.1f s\n", static_cast<long long>(f.records), f.fill);
    Line("(c) date range + group filter, first page", f.filter, "ms", filterTarget);
    std::printf("      (every one of its %d records: %.2f ms)\n", f.filterRows, f.filterAll);
    Line("    date range + group + a site's note, first page", f.noteFilter, "ms", 50.0);
    std::printf("      (%d records)\n", f.noteFilterRows);
    Line("(d) archive list of one month as CSV (a process)", f.listMonth, "ms", 200.0);
    std::printf("      (%d records)\n", f.listRows);
    std::printf("  %-52s %10.0f rec/s (target > 200000: %s)\n",
                "    archive list of everything (a process)", f.listAllRate,
                f.listAllRate > 200000.0 ? "target met" : "TARGET MISSED");
    Line("      its peak resident memory", f.listAllRssMb, "MB", 100.0);
    Line("(e) the archive window's first screen: the model's first page", f.firstScreen, "ms",
         150.0);
    Line("    the window made, shown and drawn (offscreen)", f.window, "ms", 150.0);
    Line("(f) file size per record", f.bytesPerRecord, "B", 0.0);
}

// (g) The Archive window against a server that takes connections and never answers, while
// the filters are changed every 100 ms for `seconds`: the longest the event loop went
// without turning (a 5 ms timer's late ticks), which is what the operator would feel.
double LongestStallMs(int seconds)
{
    QTcpServer silent;
    if (!silent.listen(QHostAddress::LocalHost))
        return -1.0;
    ArchiveTarget target;
    target.engine = ArchiveTarget::Engine::Postgres;
    target.url = QStringLiteral("postgresql://127.0.0.1:%1/archive?user=tech&connect_timeout=2")
                     .arg(silent.serverPort());
    NoBoxes none;
    double longest = 0.0;
    {
        ArchiveWindow window(target, none, none);
        window.show();
        QElapsedTimer since;
        since.start();
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, static_cast<double>(since.nsecsElapsed()) / 1e6);
            since.restart();
        });
        int typed = 0;
        QTimer typing;
        QObject::connect(&typing, &QTimer::timeout, [&] {
            window.NoteFilter()->setText(QStringLiteral("site %1").arg(++typed));
        });
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        tick.start(5);
        typing.start(100);
        since.restart();
        loop.exec();
    }
    // Less the timer's own period.
    return std::max(0.0, longest - 5.0);
}

} // namespace

int main(int argc, char* argv[])
{
    // The window case draws off screen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The archive's benchmark cases."));
    parser.addHelpOption();
    QCommandLineOption engine(QStringLiteral("engine"),
                              QStringLiteral("sqlite, postgresql or both (default)"),
                              QStringLiteral("ENGINE"), QStringLiteral("both"));
    QCommandLineOption records(QStringLiteral("records"),
                               QStringLiteral("records to fill the archive with (100000)"),
                               QStringLiteral("N"), QStringLiteral("100000"));
    QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("repetitions (50)"),
                            QStringLiteral("N"), QStringLiteral("50"));
    QCommandLineOption smoke(QStringLiteral("smoke"),
                             QStringLiteral("every case once on a few hundred records: proves "
                                            "that each case runs; its figures mean nothing"));
    parser.addOptions({engine, records, runs, smoke});
    parser.process(app);
    const QString which = parser.value(engine);
    const bool smokeRun = parser.isSet(smoke);
    const int fill = smokeRun ? 300 : std::max(parser.value(records).toInt(), 10000);
    const int repeat = smokeRun ? 1 : std::max(parser.value(runs).toInt(), 5);

    {
        const double stall = LongestStallMs(smokeRun ? 1 : 10);
        std::printf("(g) the Archive window against a server that never answers, filters typed "
                    "every 100 ms\n");
        Line("    the longest the event loop stood still", stall, "ms", 50.0);
        if (stall < 0.0)
            return 1;
    }

    QTemporaryDir dir;
    int code = 0;
    if (which != QLatin1String("postgresql")) {
        const ArchiveTarget target = ArchiveTarget::SqliteFile(dir.filePath("bench.sqlite"));
        const Figures f = Run(target, fill, repeat, [&](qint64 n) {
            return n ? static_cast<double>(QFileInfo(target.path).size()) / n : 0.0;
        });
        Print("SQLite (WAL, synchronous FULL)", f, 20.0, 50.0);
        code |= f.ok ? 0 : 1;
    }
    if (which != QLatin1String("sqlite")) {
        PgServer server(true);
        QString error;
        if (!server.Start(&error)) {
            std::fprintf(stderr, "PostgreSQL: the server did not start: %s\n", qPrintable(error));
            return 1;
        }
        const QString database = server.CreateDatabase(&error);
        ArchiveTarget target;
        target.engine = ArchiveTarget::Engine::Postgres;
        target.url = server.Url(database);
        const Figures f = Run(
            target, fill, repeat,
            [&](qint64 n) {
                const QString bytes = server.Query(
                    QStringLiteral("SELECT SUM(pg_total_relation_size(c.oid)) FROM pg_class c "
                                   "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                   "WHERE n.nspname = 'public' AND c.relkind IN ('r')"),
                    database);
                return n ? bytes.toDouble() / n : 0.0;
            },
            [&] {
                // What the server's autovacuum does within a minute of a fill: its statistics and
                // its map of pages every transaction sees, without which its planner sorts
                // instead of walking the list's index. A fill of seconds would be measured
                // before that minute is over.
                server.Sql(QStringLiteral("VACUUM ANALYZE"), database);
            });
        Print("PostgreSQL 15 (Unix socket, fsync on; VACUUM ANALYZE after the fill)", f, 50.0,
              100.0);
        code |= f.ok ? 0 : 1;
    }
    return code;
}
