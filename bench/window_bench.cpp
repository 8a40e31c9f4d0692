// qx390d-bench-window: the program the operator runs against the command-line tool, on the
// same virtual meter, timed from the meter's side.
//
// For each record the meter notes when its answer was through the line and when the
// request for the next record arrived (qx390d-meter-sim --timing): the time between them is
// what the program at the other end took with the answer. The real program (qx390d --port,
// its main window shown) is driven by the bench's operator plugin, which clicks Connect and
// the download button as an operator would; qx390d-cli records runs the same downloads.
// Both are timed unpaced (the meter answers at once) and paced (9600 baud), and printed side
// by side against their targets: the shown window within 0.2 ms of the tool per record
// (median, unpaced) and within 0.1 % of the tool's total time (paced).
//
// The window is shown on an X server: the one of DISPLAY, else an Xvfb this bench starts
// itself; offscreen only when neither is there, and the output says so.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr int kRecords = 100;
constexpr double kUnpacedTargetMs = 0.2;
constexpr double kPacedTargetRatio = 1.001;
constexpr int kRunLimitMs = 180000;

// What the meter's timing file says of a set of downloads.
struct Timing
{
    QList<double> perRecordMs; // answer through the line to the next request, every record
    QList<double> totalMs;     // request 0 arriving to the last answer through, per download
};

quint16 Word(const QByteArray& frame, int at)
{
    return quint16(quint8(frame[at]) << 8 | quint8(frame[at + 1]));
}

std::optional<Timing> ReadTiming(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    Timing timing;
    qint64 answerNs = -1;
    int answered = -1;
    qint64 firstRequestNs = -1;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() != 33)
            continue;
        const qint64 ns = fields[0].toLongLong();
        QByteArray frame;
        for (int i = 2; i < fields.size(); ++i)
            frame += char(fields[i].toInt(nullptr, 16));
        if (frame[2] != 0x01)
            continue;
        if (fields[1] == "in") {
            const int index = Word(frame, 3);
            if (index == 0)
                firstRequestNs = ns;
            else if (answered >= 0 && index == answered + 1)
                timing.perRecordMs << (ns - answerNs) / 1e6;
            answered = -1;
        } else {
            answered = Word(frame, 21);
            answerNs = ns;
            if (answered + 1 == Word(frame, 23) && firstRequestNs >= 0)
                timing.totalMs << (ns - firstRequestNs) / 1e6;
        }
    }
    return timing;
}

double Percentile(QList<double> samples, double fraction)
{
    if (samples.isEmpty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const qsizetype at =
        std::min<qsizetype>(samples.size() - 1, static_cast<qsizetype>(fraction * samples.size()));
    return samples[at];
}

double Sum(const QList<double>& samples)
{
    double sum = 0.0;
    for (double s : samples)
        sum += s;
    return sum;
}

const char* Verdict(bool met)
{
    return met ? "target met" : "TARGET MISSED";
}

class WindowBench
{
public:
    explicit WindowBench(QString binDir) : bin_(std::move(binDir)) {}

    ~WindowBench()
    {
        if (xvfb_.state() != QProcess::NotRunning) {
            xvfb_.terminate();
            xvfb_.waitForFinished();
        }
    }

    // Finds or starts an X server; the platform the window is shown on.
    QString ChoosePlatform()
    {
        if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
            display_ = qEnvironmentVariable("DISPLAY");
            return QStringLiteral("xcb");
        }
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (!xvfb.isEmpty()) {
            // -displayfd 1: the server picks a free display and says which on stdout.
            xvfb_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")});
            if (xvfb_.waitForStarted() && xvfb_.waitForReadyRead(10000)) {
                display_ = QLatin1Char(':') + QString::fromLatin1(xvfb_.readLine()).trimmed();
                return QStringLiteral("xcb");
            }
            std::fprintf(stderr, "qx390d-bench-window: Xvfb did not start\n");
        }
        return QStringLiteral("offscreen");
    }

    // `downloads` downloads of the program or the tool from one meter; the meter's timing.
    std::optional<Timing> Run(bool window, bool paced, int downloads, const QString& platform)
    {
        const QString timingPath = work_.filePath(QStringLiteral("timing"));
        QProcess meter;
        QStringList meterArguments{QStringLiteral("--records"), QString::number(kRecords),
                                   QStringLiteral("--timing"), timingPath};
        if (paced)
            meterArguments << QStringLiteral("--pace");
        meter.start(bin_ + QStringLiteral("/qx390d-meter-sim"), meterArguments);
        if (!meter.waitForStarted() || !meter.waitForReadyRead()) {
            std::fprintf(stderr, "qx390d-bench-window: the virtual meter did not start\n");
            return std::nullopt;
        }
        const QString device = QString::fromLocal8Bit(meter.readLine()).trimmed();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Its own single-copy lock, settings and archive: nothing of the user's is touched.
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const QString dir = work_.filePath(QString::fromLatin1(name));
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            env.insert(QString::fromLatin1(name), dir);
        }
        bool ok = true;
        if (window) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
            if (!display_.isEmpty())
                env.insert(QStringLiteral("DISPLAY"), display_);
            env.insert(QStringLiteral("QT_PLUGIN_PATH"), bin_ + QStringLiteral("/bench-plugins"));
            env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("qxoperator"));
            env.insert(QStringLiteral("QXOPERATOR_DOWNLOADS"), QString::number(downloads));
            ok = RunToEnd(bin_ + QStringLiteral("/qx390d"), {QStringLiteral("--port"), device}, env,
                          QByteArray("done"));
        } else {
            for (int d = 0; d < downloads && ok; ++d)
                ok = RunToEnd(bin_ + QStringLiteral("/qx390d-cli"),
                              {QStringLiteral("--port"), device, QStringLiteral("--quiet"),
                               QStringLiteral("records"), QStringLiteral("-o"),
                               work_.filePath(QStringLiteral("records.csv"))},
                              env, {});
        }
        meter.terminate();
        meter.waitForFinished();
        if (!ok)
            return std::nullopt;
        std::optional<Timing> timing = ReadTiming(timingPath);
        if (timing && timing->totalMs.size() != downloads) {
            std::fprintf(stderr, "qx390d-bench-window: %lld of %d downloads completed\n",
                         static_cast<long long>(timing->totalMs.size()), downloads);
            return std::nullopt;
        }
        return timing;
    }

private:
    // Runs a program to its end; with `expect`, its standard output must say so.
    static bool RunToEnd(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& env, const QByteArray& expect)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(kRunLimitMs)) {
            std::fprintf(stderr, "qx390d-bench-window: %s did not finish\n", qPrintable(program));
            process.kill();
            process.waitForFinished();
            return false;
        }
        const QByteArray out = process.readAllStandardOutput();
        if (process.exitCode() != 0 || (!expect.isEmpty() && !out.contains(expect))) {
            std::fprintf(stderr, "qx390d-bench-window: %s ended with %d: %s%s\n",
                         qPrintable(program), process.exitCode(), out.constData(),
                         process.readAllStandardError().constData());
            return false;
        }
        return true;
    }

    const QString bin_;
    QTemporaryDir work_;
    QProcess xvfb_;
    QString display_;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The shown window against the command-line tool, timed from the meter's side."));
    parser.addHelpOption();
    const QCommandLineOption unpacedRuns(QStringLiteral("unpaced-runs"),
                                         QStringLiteral("Unpaced downloads of each (default 5)."),
                                         QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption pacedRuns(QStringLiteral("paced-runs"),
                                       QStringLiteral("Paced downloads of each (default 1)."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption smoke(
        QStringLiteral("smoke"),
        QStringLiteral("One download of each kind: proves that the case runs to its end; its "
                       "figures mean nothing."));
    parser.addOptions({unpacedRuns, pacedRuns, smoke});
    parser.process(app);

    WindowBench bench(QCoreApplication::applicationDirPath());
    const QString platform = bench.ChoosePlatform();
    std::printf("(g) the shown window against qx390d-cli, %d records, timed by the meter; window "
                "on %s\n",
                kRecords,
                platform == QLatin1String("xcb")
                    ? "an X server"
                    : "the offscreen platform (no X server found: a fallback, not the "
                      "operator's display)");

    int status = 0;
    for (const bool paced : {false, true}) {
        const int runs =
            parser.isSet(smoke) ? 1 : parser.value(paced ? pacedRuns : unpacedRuns).toInt();
        if (runs <= 0)
            continue;
        const std::optional<Timing> window = bench.Run(true, paced, runs, platform);
        const std::optional<Timing> tool = bench.Run(false, paced, runs, platform);
        if (!window || !tool) {
            status = 1;
            continue;
        }
        std::printf("    %s, %d downloads each: per record, answer through the line to the next "
                    "request\n",
                    paced ? "paced at 9600 baud" : "unpaced", runs);
        std::printf("      window: median %.3f ms, p90 %.3f ms; total %.1f ms per download\n",
                    Percentile(window->perRecordMs, 0.5), Percentile(window->perRecordMs, 0.9),
                    Sum(window->totalMs) / runs);
        std::printf("      tool:   median %.3f ms, p90 %.3f ms; total %.1f ms per download\n",
                    Percentile(tool->perRecordMs, 0.5), Percentile(tool->perRecordMs, 0.9),
                    Sum(tool->totalMs) / runs);
        if (paced) {
            const double ratio = Sum(window->totalMs) / Sum(tool->totalMs);
            std::printf("      window total / tool total %.5f (target <= %.3f): %s\n", ratio,
                        kPacedTargetRatio, Verdict(ratio <= kPacedTargetRatio));
        } else {
            const double delta =
                Percentile(window->perRecordMs, 0.5) - Percentile(tool->perRecordMs, 0.5);
            std::printf("      median difference %.3f ms (target <= %.1f): %s\n", delta,
                        kUnpacedTargetMs, Verdict(delta <= kUnpacedTargetMs));
        }
    }
    return status;
}
