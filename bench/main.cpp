// qx390d-bench: end-to-end timing of the record download against the virtual meter.
//
// (a) A 100-record download from a meter that paces its line at 9600 baud: the time from
//     request 0 leaving to the last row being complete, over the line's own time
//     (100 exchanges of 2 x 31 bytes at 10 bits per byte: 6.458 s).
// (b) The same download from an unpaced meter, per exchange: the time from the port
//     handing over the byte that completes an answer to the next request reaching the
//     port. This is the program's own share of every exchange.
// (c) As (b) with the data page shown, so every new row is laid out and painted.
// (d) The whole main window left idle, disconnected and then connected: how often the
//     process wakes up (voluntary context switches of all its threads).
// (e) The import of a 99-row CSV file, a 99-row .xls workbook and a 99-row .xlsx workbook
//     (the committed test fixtures): the median time of one whole import, file to table;
//     and what reading the .xls workbook in its reader process costs over reading it here.
// (f) Soak: many unpaced downloads of 100 records back to back, page shown: records lost,
//     downloads that stalled, and the resident memory after the first and the last.
//
// The meter runs as its own process (qx390d-meter-sim, beside this executable) so that it
// behaves like a device and not like part of the program.

#include "app/MainWindow.h"
#include "common/FileDialogs.h"
#include "common/Prompter.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/SerialPort.h"
#include "protocol/MeterCodes.h"
#include "records/RecordTable.h"
#include "records/RecordsPage.h"
#include "sheets/SheetImport.h"
#include "sheets/SheetReader.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <numeric>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 100;
constexpr double kLineSeconds = 6.458;
constexpr double kPacedTarget = 1.01;
constexpr double kMedianTargetMs = 0.5;
// The UI thread's work per record, shown page included: a new row costs only its cells.
constexpr double kUiCpuTargetMs = 0.3;
constexpr double kP99TargetMs = 2.0;
constexpr int kWaitLimitMs = 30000;
constexpr int kImportRows = 99;
constexpr double kImportTargetMs = 20.0;
constexpr double kSoakGrowthLimitKb = 1024.0;

QElapsedTimer clock_;

// The virtual meter in a process of its own. Started with posix_spawn rather than
// QProcess: Qt starts a child with clone(CLONE_VM | CLONE_VFORK), and the child, sharing
// this thread's memory until it runs the program, leaves ThreadSanitizer unable to see the
// UI thread's locks afterwards, so `make test-tsan` reported races that were not there.
class MeterProcess
{
public:
    MeterProcess() = default;
    MeterProcess(const MeterProcess&) = delete;
    MeterProcess& operator=(const MeterProcess&) = delete;
    ~MeterProcess() { Stop(); }

    // Starts the meter with `arguments`; its device path (the first line it prints), or
    // nothing within kWaitLimitMs.
    std::optional<QString> Start(const QStringList& arguments)
    {
        const QByteArray program =
            QFile::encodeName(QCoreApplication::applicationDirPath() + "/qx390d-meter-sim");
        QList<QByteArray> texts{program};
        for (const QString& argument : arguments)
            texts << argument.toLocal8Bit();
        std::vector<char*> argv;
        for (QByteArray& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return Failed("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const int error =
            posix_spawn(&pid_, program.constData(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (error != 0) {
            pid_ = -1;
            ::close(out[0]);
            return Failed(std::strerror(error));
        }
        output_ = out[0];
        // The path, then a line break.
        QByteArray line;
        char c = 0;
        pollfd ready{output_, POLLIN, 0};
        while (!line.endsWith('\n') && poll(&ready, 1, kWaitLimitMs) == 1 &&
               ::read(output_, &c, 1) == 1)
            line += c;
        if (!line.endsWith('\n'))
            return Failed("it printed no device path");
        return QString::fromLocal8Bit(line).trimmed();
    }

    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Asks the meter to end and waits for it, at most kWaitLimitMs before it is killed.
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            QElapsedTimer waited;
            waited.start();
            while (waitpid(pid_, nullptr, WNOHANG) == 0) {
                if (waited.elapsed() > kWaitLimitMs) {
                    ::kill(pid_, SIGKILL);
                    waitpid(pid_, nullptr, 0);
                    break;
                }
                QThread::msleep(10);
            }
            pid_ = -1;
        }
        if (output_ >= 0)
            ::close(std::exchange(output_, -1));
    }

private:
    std::optional<QString> Failed(const char* why)
    {
        std::fprintf(stderr, "qx390d-bench: the virtual meter did not start: %s\n", why);
        Stop();
        return std::nullopt;
    }

    pid_t pid_ = -1;
    int output_ = -1;
};

// Answers every box at once; tells the bench which text it showed.
class QuietPrompter : public Prompter
{
public:
    Button Show(QWidget*, const QString&, const QString& text, int buttons, Icon,
                std::optional<Button>) override
    {
        if (onShow)
            onShow(text);
        return (buttons & Yes) ? Yes : Ok;
    }
    std::function<void(const QString&)> onShow;
};

class NoFileDialogs : public FileDialogs
{
public:
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
};

class ChosenFile : public FileDialogs
{
public:
    explicit ChosenFile(QString path) : path_(std::move(path)) {}
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString OpenFileName(QWidget*, const QString&) override { return path_; }

private:
    QString path_;
};

// Times what crosses the port: record requests written, answer bytes received.
struct PortClock
{
    qint64 request0Ns = -1;
    qint64 requestNs = -1;
    qint64 answerCompleteNs = -1;
    int answerBytes = 0;
    // Program's share: answer complete -> next request.
    QList<qint64> turnaroundsNs;
    // Line and meter's share: request -> answer complete.
    QList<qint64> answerWaitsNs;
    // CPU time of the UI thread from one request to the next: the handling of one answer
    // with its row, and whatever layout and painting the row caused.
    QList<qint64> uiCpuNs;
    qint64 uiCpuAtRequestNs = -1;

    void Clear()
    {
        turnaroundsNs.clear();
        answerWaitsNs.clear();
        uiCpuNs.clear();
    }

    static qint64 ThreadCpuNs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1000000000LL + now.tv_nsec;
    }

    void OnWrite(const QByteArray& bytes)
    {
        const qint64 now = clock_.nsecsElapsed();
        if (bytes.size() < kFrameSize || quint8(bytes[2]) != MeterCode::RequestRecord)
            return;
        const int index = quint8(bytes[3]) << 8 | quint8(bytes[4]);
        const qint64 cpu = ThreadCpuNs();
        if (index == 0) {
            request0Ns = now;
        } else {
            if (answerCompleteNs >= 0)
                turnaroundsNs << now - answerCompleteNs;
            uiCpuNs << cpu - uiCpuAtRequestNs;
        }
        uiCpuAtRequestNs = cpu;
        requestNs = now;
        answerCompleteNs = -1;
        answerBytes = 0;
    }

    void OnChunk(const QByteArray& chunk)
    {
        answerBytes += static_cast<int>(chunk.size());
        if (answerBytes >= kFrameSize && answerCompleteNs < 0 && requestNs >= 0) {
            answerCompleteNs = clock_.nsecsElapsed();
            answerWaitsNs << answerCompleteNs - requestNs;
        }
    }
};

// The real serial port with a clock on both directions.
class TimedPort : public SerialPortDriver
{
public:
    explicit TimedPort(PortClock& timing) : timing_(timing), port_(new SerialPort(this))
    {
        connect(port_, &SerialPortDriver::Received, this, [this](const QByteArray& chunk) {
            timing_.OnChunk(chunk);
            Q_EMIT Received(chunk);
        });
        connect(port_, &SerialPortDriver::Lost, this, &SerialPortDriver::Lost);
    }

    bool Open(const QString& device, QString* error) override { return port_->Open(device, error); }
    void Close() override { port_->Close(); }
    bool IsOpen() const override { return port_->IsOpen(); }
    bool Write(const QByteArray& bytes) override
    {
        timing_.OnWrite(bytes);
        return port_->Write(bytes);
    }

private:
    PortClock& timing_;
    SerialPort* port_;
};

// Runs the event loop until `done` holds (checked every millisecond); false on time-out.
bool WaitFor(const std::function<bool()>& done)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    // A timer object rather than a single shot: it goes with the wait and cannot wake the
    // idle measure (d) later on.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    limit.start(kWaitLimitMs);
    poll.start(1);
    return loop.exec() == 0;
}

class Bench
{
public:
    Bench() : page_(link_, prompter_, dialogs_)
    {
        link_.SetPrompter(&prompter_, &page_);
        link_.SetMessageTarget(&page_);
        prompter_.onShow = [this](const QString& text) {
            lastBox_ = text;
        };
        // A record's row goes into the table whole, all seven cells at once: the last
        // record is complete when its row is inserted.
        QObject::connect(&page_.Table(), &QAbstractItemModel::rowsInserted, &page_,
                         [this](const QModelIndex&, int first, int last) {
                             rowsShown_ += last - first + 1;
                             if (last >= kRecords - 1)
                                 lastRowNs_ = clock_.nsecsElapsed();
                         });
    }

    ~Bench() { StopMeter(); }

    bool StartMeter(bool paced)
    {
        QStringList arguments{QStringLiteral("--records"), QString::number(kRecords)};
        if (paced)
            arguments << QStringLiteral("--pace");
        const std::optional<QString> started = meter_.Start(arguments);
        if (!started)
            return false;
        const QString device = *started;

        commands_ = std::make_unique<ConnectionCommands>(link_, prompter_, &page_, device);
        commands_->SetOpenDelay(0);
        commands_->SetPortFactory([this] { return new TimedPort(timing_); });
        commands_->Connect();
        if (!WaitFor([this] { return link_.State().connected.load(); })) {
            std::fprintf(stderr, "qx390d-bench: the meter on %s did not answer the handshake\n",
                         qPrintable(device));
            return false;
        }
        return true;
    }

    void StopMeter()
    {
        if (commands_ && link_.State().connected)
            commands_->Disconnect();
        commands_.reset();
        meter_.Stop();
    }

    // How one download ended.
    struct Outcome
    {
        bool complete = false; // every record shown and "DownLoad Data Complete!"
        bool stalled = false;  // the meter stopped answering (or the wait gave up)
        int rows = 0;          // rows this download put in the table
        QString lastBox;
    };

    // One whole download, until its last message.
    Outcome RunDownload()
    {
        lastBox_.clear();
        lastRowNs_ = -1;
        rowsShown_ = 0;
        commands_->DownloadRecords();
        const bool ended =
            WaitFor([this] { return !lastBox_.isEmpty() && !link_.State().downloadBusy; });
        Outcome outcome;
        // Counted as they arrive: the table still holds the previous download's rows until
        // this one's first answer.
        outcome.rows = rowsShown_;
        outcome.lastBox = lastBox_;
        outcome.complete = ended && outcome.rows == kRecords && lastRowNs_ >= 0 &&
                           lastBox_ == QLatin1String("DownLoad Data Complete!");
        outcome.stalled = !ended || lastBox_.startsWith(QLatin1String("The meter stopped"));
        return outcome;
    }

    // One whole download; the seconds from request 0 to the last row complete.
    std::optional<double> Download()
    {
        const Outcome outcome = RunDownload();
        if (!outcome.complete) {
            std::fprintf(stderr,
                         "qx390d-bench: the download did not complete (last message: %s; "
                         "meter process %s)\n",
                         qPrintable(outcome.lastBox), meter_.Running() ? "running" : "ended");
            return std::nullopt;
        }
        return (lastRowNs_ - timing_.request0Ns) / 1e9;
    }

    PortClock& Timing() { return timing_; }
    // The offscreen platform paints a shown page as a screen would.
    void ShowPage()
    {
        page_.resize(1000, 560);
        page_.show();
    }

private:
    QuietPrompter prompter_;
    NoFileDialogs dialogs_;
    DeviceLink link_;
    RecordsPage page_;
    PortClock timing_;
    MeterProcess meter_;
    std::unique_ptr<ConnectionCommands> commands_;
    QString lastBox_;
    qint64 lastRowNs_ = -1;
    int rowsShown_ = 0;
};

// The process's resident memory, from /proc/self/statm.
double ResidentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1024.0 : 0.0;
}

const char* TargetVerdict(bool met)
{
    return met ? "target met" : "TARGET MISSED";
}

// Voluntary context switches of each live thread of this process but the toolkit's pooled
// painting helpers, which retire on their own 30 s after the last paint: that is Qt's
// housekeeping, not the program waking up.
QHash<QString, long> ProgramThreadSwitches()
{
    QHash<QString, long> switches;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        if (comm.readAll().trimmed() == "Thread (pooled)")
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                switches.insert(tid, line.mid(line.indexOf(':') + 1).trimmed().toLong());
        }
    }
    return switches;
}

// Voluntary switches of the program's threads while the event loop waits `ms` for its end.
long SwitchesWhileWaiting(int ms)
{
    QEventLoop loop;
    const QHash<QString, long> before = ProgramThreadSwitches();
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    long switches = 0;
    const QHash<QString, long> after = ProgramThreadSwitches();
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        switches += it.value() - before.value(it.key(), 0);
    return switches;
}

// Qt retires the pooled threads its painting uses 30 s after their last job, once; the
// measured window starts after that, so it shows whether anything keeps waking up.
constexpr int kToolkitSettleMs = 35000;

// Wake-ups of the idle program's threads over `seconds`, after `settleMs` of settling: the
// switches of the wait, less those of a wait that ends at once (the wait's own going to
// sleep and waking at its end).
long IdleWakeups(int seconds, int settleMs)
{
    SwitchesWhileWaiting(settleMs);
    const long own = SwitchesWhileWaiting(1);
    return SwitchesWhileWaiting(seconds * 1000) - own;
}

// (d): the main window with its commands, idle while disconnected, then while connected.
bool MeasureIdle(int seconds, int settleMs)
{
    QuietPrompter prompter;
    NoFileDialogs dialogs;
    DeviceLink link;
    MainWindow frame(link, prompter, dialogs);
    frame.show();
    MeterProcess meter;
    const std::optional<QString> device =
        meter.Start({QStringLiteral("--records"), QString::number(kRecords)});
    if (!device)
        return false;
    ConnectionCommands commands(link, prompter, &frame, *device);
    commands.SetOpenDelay(0);
    frame.AttachCommands(commands);
    link.SetPrompter(&prompter, &frame);

    std::printf("(d) idle wake-ups of the whole window over %d s, each after %d s of settling "
                "(target: 0)\n",
                seconds, settleMs / 1000);
    const long disconnected = IdleWakeups(seconds, settleMs);
    commands.Connect();
    if (!WaitFor([&link] { return link.State().connected.load(); }))
        return false;
    const long connected = IdleWakeups(seconds, settleMs);
    std::printf("    disconnected %ld, connected %ld: %s\n", disconnected, connected,
                TargetVerdict(disconnected <= 0 && connected <= 0));
    commands.Disconnect();
    link.SetPrompter(nullptr, nullptr);
    meter.Stop();
    return true;
}

double PercentileMs(QList<qint64> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    // Nearest rank.
    const auto rank = static_cast<qsizetype>(std::ceil(fraction * samples.size()));
    return samples[std::clamp<qsizetype>(rank - 1, 0, samples.size() - 1)] / 1e6;
}

// The median milliseconds of one import of the fixture `name`; nothing when an import
// did not end with kImportRows rows and the success message. `rows` receives the table.
std::optional<double> MedianImportMs(const QString& name, int runs, QList<QStringList>* rows)
{
    QuietPrompter prompter;
    QString lastBox;
    prompter.onShow = [&lastBox](const QString& text) {
        lastBox = text;
    };
    ChosenFile dialogs(QStringLiteral(QX_FIXTURES "/") + name);
    RecordTable table;
    QList<qint64> samples;
    for (int run = 0; run < runs; ++run) {
        lastBox.clear();
        const qint64 start = clock_.nsecsElapsed();
        ImportRecordTable(
            prompter, dialogs, nullptr,
            [&table](const QList<RecordRow>& rows, qsizetype) { table.ReplaceRows(rows); });
        samples << clock_.nsecsElapsed() - start;
        if (table.RowCount() != kImportRows ||
            !lastBox.startsWith(QLatin1String("Data already successful"))) {
            std::fprintf(stderr, "qx390d-bench: importing %s gave %d rows (last message: %s)\n",
                         qPrintable(name), table.RowCount(), qPrintable(lastBox));
            return std::nullopt;
        }
    }
    *rows = table.Rows();
    return PercentileMs(samples, 0.5);
}

// The median milliseconds of reading the fixture `name` (an .xls workbook) as a sheet from
// memory, in the reader process or in this process: what the reader process costs.
std::optional<double> MedianXlsReadMs(const QString& name, XlsReading where, int runs)
{
    QFile file(QStringLiteral(QX_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QBuffer workbook;
    workbook.setData(file.readAll());
    workbook.open(QIODevice::ReadOnly);
    QList<qint64> samples;
    for (int run = 0; run < runs; ++run) {
        workbook.seek(0);
        QString reason;
        const qint64 start = clock_.nsecsElapsed();
        const std::unique_ptr<Sheet> sheet = ReadSheet(workbook, &reason, where);
        samples << clock_.nsecsElapsed() - start;
        if (!sheet) {
            std::fprintf(stderr, "qx390d-bench: reading %s: %s\n", qPrintable(name),
                         qPrintable(reason));
            return std::nullopt;
        }
    }
    return PercentileMs(samples, 0.5);
}

} // namespace

int main(int argc, char* argv[])
{
    // The bench shows no window; it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Each figure shows as soon as it is known, also when the output goes to a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the record download."));
    parser.addHelpOption();
    const QCommandLineOption pacedRuns(QStringLiteral("paced-runs"),
                                       QStringLiteral("paced downloads (default 3)"),
                                       QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption idleSeconds(
        QStringLiteral("idle-seconds"), QStringLiteral("seconds of each idle measure (default 60)"),
        QStringLiteral("s"), QStringLiteral("60"));
    const QCommandLineOption unpacedRuns(QStringLiteral("unpaced-runs"),
                                         QStringLiteral("unpaced downloads (default 10)"),
                                         QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption importRuns(QStringLiteral("import-runs"),
                                        QStringLiteral("imports of each file (default 50)"),
                                        QStringLiteral("n"), QStringLiteral("50"));
    parser.addOption(pacedRuns);
    parser.addOption(unpacedRuns);
    parser.addOption(idleSeconds);
    const QCommandLineOption soakRuns(QStringLiteral("soak"),
                                      QStringLiteral("soak downloads (default 1000; 0: none)"),
                                      QStringLiteral("n"), QStringLiteral("1000"));
    parser.addOption(importRuns);
    parser.addOption(soakRuns);
    const QCommandLineOption smokeOption(
        QStringLiteral("smoke"),
        QStringLiteral("every case once with tiny counts and no settling: proves that each "
                       "case runs to its end; its figures mean nothing"));
    parser.addOption(smokeOption);
    parser.process(app);
    const bool smoke = parser.isSet(smokeOption);
    const auto count = [&parser, smoke](const QCommandLineOption& option, int least, int inSmoke) {
        return smoke ? inSmoke : std::max(least, parser.value(option).toInt());
    };
    const int paced = count(pacedRuns, 1, 1);
    const int unpaced = count(unpacedRuns, 1, 1);
    const int imports = count(importRuns, 1, 1);
    const int soak = count(soakRuns, 0, 2);
    const int idle = count(idleSeconds, 1, 1);
    const int settleMs = smoke ? 0 : kToolkitSettleMs;
    clock_.start();

    Bench bench;
    std::printf("(a) paced download of %d records at 9600 baud, line time %.3f s\n", kRecords,
                kLineSeconds);
    if (!bench.StartMeter(true))
        return 1;
    bench.Timing().Clear();
    double worst = 0.0;
    for (int run = 1; run <= paced; ++run) {
        const std::optional<double> seconds = bench.Download();
        if (!seconds)
            return 1;
        worst = std::max(worst, *seconds / kLineSeconds);
        std::printf("    run %d: %.3f s, ratio %.4f\n", run, *seconds, *seconds / kLineSeconds);
    }
    std::printf("    worst ratio %.4f (target <= %.2f): %s\n", worst, kPacedTarget,
                TargetVerdict(worst <= kPacedTarget));
    // Where the time goes: the line and the meter (2 x 31 byte times = 64.583 ms are the
    // line's own) against the program's turnaround.
    const PortClock& timing = bench.Timing();
    std::printf("    per exchange, request -> answer complete: median %.3f ms, p99 %.3f ms\n",
                PercentileMs(timing.answerWaitsNs, 0.5), PercentileMs(timing.answerWaitsNs, 0.99));
    std::printf("    per exchange, answer complete -> next request: median %.3f ms, p99 %.3f ms\n",
                PercentileMs(timing.turnaroundsNs, 0.5), PercentileMs(timing.turnaroundsNs, 0.99));
    const double programSeconds =
        std::accumulate(timing.turnaroundsNs.cbegin(), timing.turnaroundsNs.cend(), 0.0) / 1e9 /
        paced;
    std::printf("    program's share per download: %.1f ms (%.2f %% of the line time)\n",
                programSeconds * 1e3, programSeconds / kLineSeconds * 100.0);
    bench.StopMeter();

    const auto unpacedRun = [&bench, unpaced](const char* title, double uiCpuTargetMs) {
        std::printf("%s, answer complete -> next request, %d downloads\n", title, unpaced);
        if (!bench.StartMeter(false))
            return false;
        bench.Timing().Clear();
        for (int run = 0; run < unpaced; ++run) {
            if (!bench.Download())
                return false;
        }
        bench.StopMeter();
        const QList<qint64>& samples = bench.Timing().turnaroundsNs;
        if (samples.isEmpty())
            return false;
        const double median = PercentileMs(samples, 0.5);
        const double p99 = PercentileMs(samples, 0.99);
        std::printf("    %lld exchanges\n", static_cast<long long>(samples.size()));
        std::printf("    median %.3f ms (target < %.1f ms): %s\n", median, kMedianTargetMs,
                    TargetVerdict(median < kMedianTargetMs));
        std::printf("    p99    %.3f ms (target < %.1f ms): %s\n", p99, kP99TargetMs,
                    TargetVerdict(p99 < kP99TargetMs));
        std::printf("    max    %.3f ms\n", PercentileMs(samples, 1.0));
        const QList<qint64>& cpu = bench.Timing().uiCpuNs;
        const double cpuMedian = PercentileMs(cpu, 0.5);
        std::printf("    UI thread CPU per record (handling, layout, painting): median %.3f ms "
                    "(target < %.1f ms): %s, p99 %.3f ms\n",
                    cpuMedian, uiCpuTargetMs, TargetVerdict(cpuMedian < uiCpuTargetMs),
                    PercentileMs(cpu, 0.99));
        return true;
    };
    if (!unpacedRun("(b) unpaced turnaround, page hidden", kUiCpuTargetMs))
        return 1;
    bench.ShowPage();
    if (!unpacedRun("(c) unpaced turnaround, page shown", kUiCpuTargetMs))
        return 1;
    if (!MeasureIdle(idle, settleMs))
        return 1;
    std::printf("(e) import of %d rows, %d imports of each file\n", kImportRows, imports);
    QList<QStringList> csvRows;
    QList<QStringList> xlsRows;
    QList<QStringList> xlsxRows;
    const std::optional<double> csvMs =
        MedianImportMs(QStringLiteral("records99.csv"), imports, &csvRows);
    const std::optional<double> xlsMs =
        MedianImportMs(QStringLiteral("records99.xls"), imports, &xlsRows);
    const std::optional<double> xlsxMs =
        MedianImportMs(QStringLiteral("records99.xlsx"), imports, &xlsxRows);
    if (!csvMs || !xlsMs || !xlsxMs)
        return 1;
    std::printf("    CSV   median %.3f ms (target < %.0f ms): %s\n", *csvMs, kImportTargetMs,
                TargetVerdict(*csvMs < kImportTargetMs));
    std::printf("    .xls  median %.3f ms (target < %.0f ms): %s\n", *xlsMs, kImportTargetMs,
                TargetVerdict(*xlsMs < kImportTargetMs));
    std::printf("    .xlsx median %.3f ms (target < %.0f ms): %s\n", *xlsxMs, kImportTargetMs,
                TargetVerdict(*xlsxMs < kImportTargetMs));
    const std::optional<double> readerMs =
        MedianXlsReadMs(QStringLiteral("records99.xls"), XlsReading::InReaderProcess, imports);
    const std::optional<double> hereMs =
        MedianXlsReadMs(QStringLiteral("records99.xls"), XlsReading::InThisProcess, imports);
    if (!readerMs || !hereMs)
        return 1;
    std::printf("    .xls  read in the reader process: median %.3f ms, in this process %.3f ms: "
                "the process costs %.3f ms\n",
                *readerMs, *hereMs, *readerMs - *hereMs);
    if (csvRows != xlsRows || csvRows != xlsxRows) {
        std::fprintf(stderr,
                     "qx390d-bench: the CSV file and the workbooks gave different tables\n");
        return 1;
    }
    if (soak == 0)
        return 0;

    std::printf("(f) soak: %d unpaced downloads of %d records, page shown\n", soak, kRecords);
    if (!bench.StartMeter(false))
        return 1;
    // Measured from the end of the first download, once the table and the toolkit have
    // made their one-time allocations.
    double residentStartKb = 0.0;
    long long lost = 0;
    int stalls = 0;
    QElapsedTimer soakClock;
    soakClock.start();
    constexpr int kSoakReportEvery = 100;
    for (int run = 1; run <= soak; ++run) {
        const Bench::Outcome outcome = bench.RunDownload();
        // The timing samples of (b) and (c) are not wanted here; kept, they would grow.
        bench.Timing().Clear();
        lost += kRecords - outcome.rows;
        if (outcome.stalled)
            ++stalls;
        if (!outcome.complete && !outcome.stalled)
            std::fprintf(stderr, "qx390d-bench: download %d ended with: %s\n", run,
                         qPrintable(outcome.lastBox));
        if (run == 1)
            residentStartKb = ResidentKb();
        if (run % kSoakReportEvery == 0)
            std::printf("    %d downloads, %.1f s: lost %lld, stalls %d, resident memory %.1f MB\n",
                        run, soakClock.elapsed() / 1e3, lost, stalls, ResidentKb() / 1024.0);
    }
    const double residentEndKb = ResidentKb();
    bench.StopMeter();
    const double growthKb = residentEndKb - residentStartKb;
    std::printf("    %d downloads in %.1f s (%.1f s of it the completion pauses)\n", soak,
                soakClock.elapsed() / 1e3, soak * RecordDownload::kCompletionPauseMs / 1e3);
    std::printf("    records lost %lld (target 0): %s\n", lost, TargetVerdict(lost == 0));
    std::printf("    stalls %d (target 0): %s\n", stalls, TargetVerdict(stalls == 0));
    std::printf("    resident memory %.1f MB after the first download, %.1f MB after the last: "
                "growth %.0f kB (target < %.0f kB): %s\n",
                residentStartKb / 1024.0, residentEndKb / 1024.0, growthKb, kSoakGrowthLimitKb,
                TargetVerdict(growthKb < kSoakGrowthLimitKb));
    // The smoke run's few downloads must each complete: anything else is a broken case.
    return smoke && (lost != 0 || stalls != 0) ? 1 : 0;
}
