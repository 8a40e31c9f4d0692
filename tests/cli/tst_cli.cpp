// qx390d-cli end to end: the tool runs as a process against the virtual meter on a
// pseudo-terminal, and its output and frames are compared with what the program's own
// download, export and threshold page produce.
#include "FakePrompter.h"
#include "TestSupport.h"
#include "cli/CliCommandLine.h"
#include "cli/CliPorts.h"
#include "common/ProgramFacts.h"
#include "export/CsvExport.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "records/MeasurementRecord.h"
#include "records/RecordDownload.h"
#include "records/RecordTable.h"
#include "sim/PtyHost.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdsPage.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 20000;

struct CliRun
{
    int code = -1;
    QByteArray out;
    QString err;
};

// Runs the tool without any display, serving the in-process meters meanwhile.
CliRun RunCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QX390D_CLI), arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs))
        process.kill();
    process.waitForFinished();
    CliRun run;
    if (process.exitStatus() == QProcess::NormalExit)
        run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::unique_ptr<PtyHost> StartMeter(SimOptions options = {})
{
    auto host = std::make_unique<PtyHost>(options);
    return host->Open() ? std::move(host) : nullptr;
}

QString Hex(const CommandFrame& frame)
{
    CommandFrame f = frame;
    f.Complete();
    return ToHex(f.ToByteArray());
}

// The program's own download of the meter's records into its record table, each answer
// taken straight from a meter of the same options.
QByteArray ProgramExport(const MeterOptions& options, QStringList* requests)
{
    VirtualMeter meter(options);
    DeviceLink link;
    RecordTable table;
    FakePrompter prompter;
    QList<quint16> pending{0};
    RecordDownload download(link, table, prompter, nullptr, [&](quint16 i) { pending << i; });
    while (!pending.isEmpty()) {
        CommandFrame request;
        request.RequestRecord(pending.takeFirst());
        *requests << Hex(request);
        request.Complete();
        for (const QByteArray& answer : meter.Receive(request.ToByteArray()))
            download.OnMeterRecord(answer);
    }
    return BuildCsv(table.Texts());
}

// `root` with the value at `path` ("groups/1/OLT:1490nm/Pass") replaced, or removed when
// `json` is empty.
QJsonValue Edited(const QJsonValue& root, QStringList path, const QByteArray& json)
{
    const QString key = path.takeFirst();
    const QJsonValue replacement =
        json.isEmpty() ? QJsonValue() : QJsonDocument::fromJson("[" + json + "]").array().first();
    if (root.isArray()) {
        QJsonArray array = root.toArray();
        const int i = key.toInt();
        if (path.isEmpty() && json.isEmpty())
            array.removeAt(i);
        else
            array[i] = path.isEmpty() ? replacement : Edited(array[i], path, json);
        return array;
    }
    QJsonObject object = root.toObject();
    if (path.isEmpty() && json.isEmpty())
        object.remove(key);
    else
        object[key] = path.isEmpty() ? replacement : Edited(object[key], path, json);
    return object;
}

ThresholdFile FactoryFile()
{
    ThresholdFile file;
    const auto groups = VirtualMeter::FactoryGroups();
    for (int g = 1; g <= 3; ++g) {
        for (int i = 0; i < 12; ++i)
            file.table.Group(g).limits[i] = groups[g - 1].limits[i];
        file.names[g - 1] = QString::fromLatin1(groups[g - 1].name.constData());
    }
    return file;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:

    void recordsCsvIsTheProgramsExport();
    void recordsJsonHoldsTheMetersValues();
    void thresholdsGetThenSetChangesExactlyTheEditedLimits();
    void calibrationSendsThePagesFrame_data();
    void calibrationSendsThePagesFrame();
    void deleteRemovesRecordsInTheMeter_data();
    void deleteRemovesRecordsInTheMeter();
    void exitCodes_data();
    void exitCodes();
    void signalIgnoredAtStart_hupAndTermStayIgnored_data();
    void signalIgnoredAtStart_hupAndTermStayIgnored();
    void badThresholdFileIsRefusedBeforeAnythingIsSent_data();
    void badThresholdFileIsRefusedBeforeAnythingIsSent();
    void outputGoesWhereItIsNamed_data();
    void outputGoesWhereItIsNamed();
    void jsonPrintsThePowerItsVerdictIsJudgedOn_data();
    void jsonPrintsThePowerItsVerdictIsJudgedOn();
    void presetSetsOnlyItsChannelsAndDisorderIsWarned();
    void udevRuleMatchesTheMeterExactly_data();
    void udevRuleMatchesTheMeterExactly();
    void commandLineFormsAreRead_data();
    void commandLineFormsAreRead();

private:
    QTemporaryDir dir;
};

void TestCli::recordsCsvIsTheProgramsExport()
{
    SimOptions options;
    options.meter = {40, 7, false};
    const auto host = StartMeter(options);
    QVERIFY(host);
    const QString path = dir.filePath("records.csv");

    const CliRun run = RunCli({"--port", host->DevicePath(), "--quiet", "records", "-o", path});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QString());
    QVERIFY(run.out.isEmpty());

    QStringList requests;
    const QByteArray expected = ProgramExport(options.meter, &requests);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
    QCOMPARE(expected.count("\r\n"), 41);
    QCOMPARE(host->Meter().FrameLog().mid(1), requests);
}

void TestCli::recordsJsonHoldsTheMetersValues()
{
    SimOptions options;
    options.meter = {25, 3, false};
    const auto host = StartMeter(options);
    QVERIFY(host);

    // Limits every reading but LOW passes: Over 30, Pass and Fail -65.
    QTemporaryDir dir;
    ThresholdFile wide;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        for (int i = 0; i < ThresholdGroup::kLimits; ++i)
            wide.table.Group(g).limits[i] = i % 3 == 0 ? 30.0f : -65.0f;
    }
    const QString limits = dir.filePath("wide.json");
    QVERIFY(WriteThresholdFile(limits, wide, nullptr));

    const CliRun run = RunCli(
        {"--port", host->DevicePath(), "records", "--format", "json", "--thresholds", limits});
    QCOMPARE(run.code, 0);
    QJsonParseError error;
    const QJsonArray records = QJsonDocument::fromJson(run.out, &error)["records"].toArray();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QList<MeterRecord>& stored = host->Meter().Records();
    QCOMPARE(records.size(), stored.size());

    int lows = 0;
    for (int i = 0; i < stored.size(); ++i) {
        const MeterRecord& m = stored[i];
        const QJsonObject r = records[i].toObject();
        QCOMPARE(r["no"].toInt(), i + 1);
        QCOMPARE(r["group"].toInt(), int(m.group));
        const QDateTime time(QDate(2000 + m.year, m.month, m.day), QTime(m.hour, m.minute));
        QCOMPARE(r["time"].toString(), time.toString(Qt::ISODate).left(16));
        const struct
        {
            const char* key;
            float value;
            float floor;
        } powers[] = {{"ONT:1270nm", m.ont1270, ontLowLimit},
                      {"ONT:1310nm", m.ont1310, ontLowLimit},
                      {"OLT:1490nm", m.olt1490, oltLowLimit},
                      {"OLT:1577nm", m.olt1577, oltLowLimit}};
        bool anyLow = false;
        for (const auto& p : powers) {
            const QJsonObject power = r[p.key].toObject();
            const bool low = p.value <= p.floor;
            lows += low;
            anyLow = anyLow || low;
            QCOMPARE(power["low"].toBool(), low);
            QCOMPARE(power["dBm"].isNull(), low);
            QCOMPARE(power["verdict"].toString(), low ? "fail" : "pass");
            if (!low)
                QCOMPARE(power["dBm"].toDouble(), PowerText(p.value, p.floor).toDouble());
        }
        QCOMPARE(r["verdict"].toString(), anyLow ? "fail" : "pass");
    }
    QVERIFY(lows > 0);
}

void TestCli::thresholdsGetThenSetChangesExactlyTheEditedLimits()
{
    const auto host = StartMeter();
    QVERIFY(host);
    const QString got = dir.filePath("got.json");
    QCOMPARE(RunCli({"--port", host->DevicePath(), "thresholds", "get", "-o", got}).code, 0);

    QString error;
    std::optional<ThresholdFile> file = ReadThresholdFile(got, &error);
    QVERIFY2(file, qPrintable(error));
    const auto before = host->Meter().Groups();
    for (int g = 1; g <= 3; ++g) {
        QCOMPARE(file->table.Group(g).limits, before[g - 1].limits);
        QCOMPARE(file->names[g - 1], QString::fromLatin1(before[g - 1].name.constData()));
    }

    // Three limits, two of them on the edges of the range.
    auto expected = before;
    const struct
    {
        int group;
        int limit;
        float value;
    } edits[] = {{2, 4, -31.25f}, {3, 11, -65.0f}, {1, 6, 30.0f}};
    for (const auto& e : edits) {
        file->table.Group(e.group).limits[e.limit] = e.value;
        expected[e.group - 1].limits[e.limit] = e.value;
    }
    const QString edited = dir.filePath("edited.json");
    QVERIFY(WriteThresholdFile(edited, *file, &error));
    const int logged = host->Meter().FrameLog().size();
    const CliRun set = RunCli({"--port", host->DevicePath(), "thresholds", "set", edited, "--yes"});
    QCOMPARE(set.code, 0);
    for (int g = 1; g <= 3; ++g)
        QCOMPARE(host->Meter().Groups()[g - 1].limits, expected[g - 1].limits);

    // The threshold page, loaded with the same file, sends the same nine frames.
    const auto pageMeter = StartMeter();
    QVERIFY(pageMeter);
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    DeviceLink link;
    ThresholdsPage page(link, prompter);
    dialogs.openPath = edited;
    page.LoadFromFile(dialogs);
    link.SetPrompter(&prompter, nullptr);
    link.SetMessageTarget(&page);
    ConnectionCommands commands(link, prompter, nullptr, pageMeter->DevicePath());
    commands.SetOpenDelay(0);
    commands.Connect();
    QTRY_VERIFY_WITH_TIMEOUT(link.State().connected.load(), kWaitMs);
    commands.UploadThresholds();
    QTRY_VERIFY_WITH_TIMEOUT(prompter.Texts().contains("UpLoad Threshold Complete!"), kWaitMs);
    link.ClosePort();
    QCOMPARE(host->Meter().FrameLog().mid(logged + 1), pageMeter->Meter().FrameLog().mid(1));
    QCOMPARE(pageMeter->Meter().FrameLog().size(), 1 + 9);
}

void TestCli::calibrationSendsThePagesFrame_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("offset"); // of the reference's four bytes; 0: none
    QTest::addColumn<float>("reference");
    QTest::addColumn<int>("selector");

    QTest::newRow("1270") << QStringList{"calibrate", "1270", "-10"} << 16 << -10.0f << 8;
    QTest::newRow("1310") << QStringList{"calibrate", "1310", "-7.5"} << 3 << -7.5f << 1;
    QTest::newRow("1490") << QStringList{"calibrate", "1490", "-65"} << 7 << -65.0f << 2;
    QTest::newRow("1577") << QStringList{"calibrate", "1577", "30"} << 11 << 30.0f << 3;
    QTest::newRow("factory default") << QStringList{"factory-default", "--yes"} << 0 << 0.0f << 4;
}

void TestCli::calibrationSendsThePagesFrame()
{
    QFETCH(QStringList, command);
    QFETCH(int, offset);
    QFETCH(float, reference);
    QFETCH(int, selector);
    const auto host = StartMeter();
    QVERIFY(host);

    QCOMPARE(RunCli(QStringList{"--port", host->DevicePath()} + command).code, 0);
    // Written over the handshake's all-zero payload, as the page writes it: the marker, the
    // code, the channel's float and the selector.
    CommandFrame expected;
    expected.SetCode(0x05);
    if (offset)
        expected.PutFloatLE(offset, reference);
    expected[15] = quint8(selector);
    QTRY_COMPARE(host->Meter().FrameLog().size(), 2);
    QCOMPARE(host->Meter().FrameLog()[1], Hex(expected));
}

void TestCli::deleteRemovesRecordsInTheMeter_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("sent"); // the delete frame, after the request for record 1

    QTest::newRow("last") << "last" << 11
                          << "AA 0F 08 00 0C" + QString(" 00").repeated(24) + " 0B 00";
    QTest::newRow("all") << "all" << 0 << "AA 0F 09" + QString(" 00").repeated(26) + " 06 00";
}

void TestCli::deleteRemovesRecordsInTheMeter()
{
    QFETCH(QString, which);
    QFETCH(int, left);
    QFETCH(QString, sent);
    const auto host = StartMeter();
    QVERIFY(host);

    QCOMPARE(RunCli({"--port", host->DevicePath(), "delete", which, "--yes"}).code, 0);
    QCOMPARE(host->Meter().Records().size(), left);
    CommandFrame first;
    first.RequestRecord(0);
    QCOMPARE(host->Meter().FrameLog().mid(1), (QStringList{Hex(first), sent}));
}

void TestCli::exitCodes_data()
{
    // METER stands for the meter's device, HELD for it while another program holds it
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("meter"); // "", "silent", "unplug", "150 records"
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // a part of the one line on standard error

    const QStringList records{"--port", "METER", "records"};
    QTest::newRow("done") << QStringList{"--demo", "--quiet", "records"} << "" << 0 << "";
    QTest::newRow("silent meter") << records << "silent" << 1
                                  << "the meter did not answer the connect handshake within 3 s";
    QTest::newRow("unplugged") << records << "unplug" << 1 << "the meter's port went away";
    QTest::newRow("refused") << records << "150 records" << 1
                             << "the meter reports 150 records; at most 100";
    QTest::newRow("missing port") << QStringList{"--port", "/dev/qx390d-none", "records"} << "" << 3
                                  << "cannot open /dev/qx390d-none: ";
    QTest::newRow("port without permission")
        << QStringList{"--port", "LOCKED", "records"} << "" << 3 << "'dialout' group";
    QTest::newRow("port held by another program")
        << QStringList{"--port", "HELD", "records"} << "" << 3
        << "another program is using it. Close that program, then connect again.";
    QTest::newRow("no command") << QStringList{} << "" << 2 << "no command given";
    QTest::newRow("unknown command")
        << QStringList{"download"} << "" << 2 << "unknown command 'download'";
    QTest::newRow("change without --yes")
        << QStringList{"delete", "all"} << "" << 2 << "delete all changes the meter; add --yes";
    QTest::newRow("unknown wavelength") << QStringList{"calibrate", "1550", "-7"} << "" << 2
                                        << "1550 is not 1270, 1310, 1490 or 1577";
    QTest::newRow("reference out of range")
        << QStringList{"calibrate", "1310", "-70"} << "" << 2 << "-70 is outside -65\u202630";
    QTest::newRow("unknown format")
        << QStringList{"records", "--format", "xml"} << "" << 2 << "unknown format 'xml'";
    QTest::newRow("verdicts in CSV") << QStringList{"records", "--thresholds", "t.json"} << "" << 2
                                     << "--thresholds is for records --format json only";
    QTest::newRow("udev rule for a port without USB ids")
        << QStringList{"--port", "METER", "ports", "--udev-rule"} << "" << 3
        << "reports no USB vendor and product ids";
    QTest::newRow("preset without a group")
        << QStringList{"thresholds", "set", "--preset", "gpon-b-plus", "--yes"} << "" << 2
        << "thresholds set --preset needs --group 1, 2 or 3";
    QTest::newRow("unknown preset")
        << QStringList{"--port", "METER",   "thresholds", "set",  "--preset",
                       "xg-pon", "--group", "1",          "--yes"}
        << "" << 2 << "no threshold preset named xg-pon";
    QTest::newRow("udev rule for another command")
        << QStringList{"records", "--udev-rule"} << "" << 2 << "--udev-rule is for ports only";
    QTest::newRow("port and demo") << QStringList{"--port", "/dev/x", "--demo", "records"} << ""
                                   << 2 << "--port and --demo exclude each other";
    // A threshold file is read no further than 1 MB, whatever it is.
    const QString tooLarge = ": it holds more than 1 MB; a threshold file takes about 1 KB";
    QTest::newRow("threshold file from a device")
        << QStringList{"--port", "METER", "thresholds", "set", "/dev/zero", "--yes"} << "" << 2
        << "/dev/zero" + tooLarge;
    QTest::newRow("verdict thresholds from a device")
        << QStringList{"--port", "METER",        "records",  "--format",
                       "json",   "--thresholds", "/dev/zero"}
        << "" << 2 << "/dev/zero" + tooLarge;
    QTest::newRow("threshold file over 1 MB")
        << QStringList{"--port", "METER", "thresholds", "set", "LARGE", "--yes"} << "" << 2
        << tooLarge;
}

void TestCli::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, meter);
    QFETCH(int, code);
    QFETCH(QString, message);

    SimOptions options;
    options.meter.silent = meter == "silent";
    options.unplugAfter = meter == "unplug" ? 3 : 0;
    options.meter.records = meter == "150 records" ? 150 : 12;
    const auto host = StartMeter(options);
    QVERIFY(host);
    if (arguments.contains("LOCKED")) {
        if (::geteuid() == 0)
            QSKIP("the superuser opens any file");
        QFile locked(dir.filePath("locked"));
        QVERIFY(locked.open(QIODevice::WriteOnly));
        locked.setPermissions({});
        arguments.replace(arguments.indexOf("LOCKED"), locked.fileName());
    }
    if (arguments.contains("LARGE")) {
        // A valid file, but for the blanks after it.
        QFile large(dir.filePath("large.json"));
        QVERIFY(large.open(QIODevice::WriteOnly));
        large.write(ThresholdFileJson(FactoryFile()) + QByteArray(1 << 20, ' '));
        arguments.replace(arguments.indexOf("LARGE"), large.fileName());
    }
    QProcess holder;
    if (arguments.contains("HELD")) {
        holder.start(QCoreApplication::applicationDirPath() + QStringLiteral("/qx390d-portholder"),
                     {host->DevicePath()});
        QVERIFY(holder.waitForReadyRead(kWaitMs) && holder.readLine().trimmed() == "held");
        arguments.replace(arguments.indexOf("HELD"), host->DevicePath());
    }
    arguments.replaceInStrings(QRegularExpression("^METER$"), host->DevicePath());

    const CliRun run = RunCli(arguments);
    QCOMPARE(run.code, code);
    if (message.isEmpty()) {
        QCOMPARE(run.err, QString());
        return;
    }
    QVERIFY2(run.err.startsWith("qx390d-cli: ") && run.err.count('\n') == 1, qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    holder.closeWriteChannel();
    holder.waitForFinished();
}

// nohup or a shell's `trap ''` start the tool with SIGHUP or SIGTERM ignored so that it
// outlives the session: it leaves them so. SIGINT it takes even then.
void TestCli::signalIgnoredAtStart_hupAndTermStayIgnored_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("ignored"); // as nohup or a shell's `trap ''` start the tool
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString silent = "the meter did not answer the connect handshake";
    QTest::newRow("SIGHUP ignored") << int(SIGHUP) << true << 1 << silent;
    QTest::newRow("SIGTERM ignored") << int(SIGTERM) << true << 1 << silent;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false << 128 + SIGHUP << "stopped";
    QTest::newRow("SIGINT ignored") << int(SIGINT) << true << 128 + SIGINT << "stopped";
}

void TestCli::signalIgnoredAtStart_hupAndTermStayIgnored()
{
    QFETCH(int, signal);
    QFETCH(bool, ignored);
    QFETCH(int, code);
    QFETCH(QString, message);
    SimOptions options;
    options.meter.silent = true;
    const auto host = StartMeter(options);
    QVERIFY(host);

    QProcess process;
    if (ignored)
        process.setChildProcessModifier([signal] { ::signal(signal, SIG_IGN); });
    process.start(QStringLiteral(QX390D_CLI), {"--port", host->DevicePath(), "records"});
    // The handshake leaves after the tool has taken its signals.
    QVERIFY(QTest::qWaitFor([&] { return !host->Meter().FrameLog().isEmpty(); }, kWaitMs));
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signal), 0);
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), code);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
}

void TestCli::badThresholdFileIsRefusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QString>("path");     // in the file's JSON; empty: `value` is the whole file
    QTest::addColumn<QByteArray>("value"); // JSON text; empty: the entry is removed
    QTest::addColumn<QString>("message");

    QTest::newRow("above the range") << "groups/1/OLT:1490nm/Pass" << QByteArray("31")
                                     << "group 2, OLT:1490nm, Pass: 31 is outside -65\u202630";
    QTest::newRow("below the range") << "groups/0/ONT:1270nm/Fail" << QByteArray("-65.5")
                                     << "group 1, ONT:1270nm, Fail: -65.5 is outside";
    QTest::newRow("above 30 in single precision")
        << "groups/2/ONT:1310nm/Over" << QByteArray("30.000002")
        << "group 3, ONT:1310nm, Over: 30.000002 is outside";
    QTest::newRow("not a number") << "groups/1/OLT:1577nm/Over" << QByteArray("\"-8\"")
                                  << "group 2, OLT:1577nm, Over: \"-8\" is not a number";
    QTest::newRow("limit missing")
        << "groups/1/OLT:1490nm/Pass" << QByteArray() << "group 2, OLT:1490nm, Pass is missing";
    QTest::newRow("channel missing")
        << "groups/0/ONT:1310nm" << QByteArray() << "group 1, ONT:1310nm is missing";
    QTest::newRow("group missing") << "groups/2" << QByteArray() << "group 3 is missing";
    QTest::newRow("group twice") << "groups/2/group" << QByteArray("2") << "group 2 appears twice";
    QTest::newRow("group 4") << "groups/2/group" << QByteArray("4")
                             << "groups entry 3: group 4 is not 1, 2 or 3";
    QTest::newRow("other version") << "version" << QByteArray("2") << "version 2 is not supported";
    QTest::newRow("bad JSON") << "" << QByteArray("{\n  \"version\": 1,\n  \"groups\": [}\n")
                              << "line 3, column 14: ";
}

void TestCli::badThresholdFileIsRefusedBeforeAnythingIsSent()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, value);
    QFETCH(QString, message);
    const auto host = StartMeter();
    QVERIFY(host);

    QByteArray json = value;
    if (!path.isEmpty()) {
        const QJsonValue factory =
            QJsonDocument::fromJson(ThresholdFileJson(FactoryFile())).object();
        json = QJsonDocument(Edited(factory, path.split('/'), value).toObject()).toJson();
    }
    const QString file = dir.filePath("bad.json");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(json);
    out.close();

    const CliRun run = RunCli({"--port", host->DevicePath(), "thresholds", "set", file, "--yes"});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.startsWith("qx390d-cli: " + file + ": ") && run.err.count('\n') == 1,
             qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(host->Meter().ReceivedFrames().isEmpty());
}

void TestCli::outputGoesWhereItIsNamed_data()
{
    QTest::addColumn<QStringList>("arguments"); // OUT stands for what -o names
    QTest::addColumn<QString>("target");        // "-", "file", "fifo", "null device"
    QTest::addColumn<QString>("version");       // standard output of a version option

    const QStringList records{"--quiet", "records", "-o", "OUT"};
    const QString version = QStringLiteral("qx390d-cli ") + ProgramVersion() + '\n';
    QTest::newRow("-o -: standard output") << records << "-" << QString();
    QTest::newRow("a regular file is replaced") << records << "file" << QString();
    QTest::newRow("a FIFO is written into") << records << "fifo" << QString();
    QTest::newRow("a null device stays a device") << records << "null device" << QString();
    QTest::newRow("-V") << QStringList{"-V"} << "-" << version;
    QTest::newRow("-v") << QStringList{"-v"} << "-" << version;
    QTest::newRow("--version") << QStringList{"--version"} << "-" << version;
}

void TestCli::outputGoesWhereItIsNamed()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    QFETCH(QString, version);
    const auto host = StartMeter();
    QVERIFY(host);
    const QTemporaryDir folder;
    const QString path = target == "-" ? "-" : folder.filePath("out");
    const QByteArray name = QFile::encodeName(path);
    int fifo = -1;
    if (target == "fifo") {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        // Open for reading first, so the tool's open for writing does not wait.
        fifo = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(fifo >= 0);
    } else if (target == "null device") {
        // Never the system's own: a null device of the test's, where it may be made.
        if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node is not permitted here");
    } else if (target == "file") {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    arguments.replaceInStrings(QRegularExpression("^OUT$"), path);

    const CliRun run = RunCli(QStringList{"--port", host->DevicePath()} + arguments);
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QString());
    if (!version.isEmpty()) {
        QCOMPARE(run.out, version.toUtf8());
        return;
    }
    QStringList requests;
    const QByteArray expected = ProgramExport(MeterOptions(), &requests);
    QByteArray written = run.out;
    if (target == "fifo") {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fifo, buffer, sizeof buffer)) > 0;)
            written.append(buffer, n);
        ::close(fifo);
    } else if (target == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        written = file.readAll();
    }
    if (target != "null device")
        QCOMPARE(written, expected);
    if (target == "-")
        return;
    QVERIFY(run.out.isEmpty());
    struct stat info;
    QCOMPARE(::lstat(name.constData(), &info), 0);
    const mode_t kind = target == "fifo" ? S_IFIFO : target == "null device" ? S_IFCHR : S_IFREG;
    QCOMPARE(info.st_mode & S_IFMT, kind);
    if (kind == S_IFCHR)
        QCOMPARE(info.st_rdev, makedev(1, 3));
}

void TestCli::jsonPrintsThePowerItsVerdictIsJudgedOn_data()
{
    QTest::addColumn<float>("power"); // the meter's 1270 nm value; the limit Pass is -27.3
    QTest::addColumn<double>("printed");
    QTest::addColumn<QString>("verdict");

    QTest::newRow("-27.304 is -27.30: pass") << -27.304f << -27.3 << "pass";
    QTest::newRow("-27.296 is -27.30: pass") << -27.296f << -27.3 << "pass";
    QTest::newRow("-27.306 is -27.31: marginal") << -27.306f << -27.31 << "marginal";
}

void TestCli::jsonPrintsThePowerItsVerdictIsJudgedOn()
{
    QFETCH(float, power);
    QFETCH(double, printed);
    QFETCH(QString, verdict);
    const auto host = StartMeter();
    QVERIFY(host);
    MeterRecord record = host->Meter().Records().constFirst();
    record.ont1270 = power;
    host->Meter().SetRecords({record});
    ThresholdFile limits = FactoryFile();
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        // 1270 nm: Over -8, Pass -27.3, Fail -28.
        std::array<float, ThresholdGroup::kLimits>& l = limits.table.Group(g).limits;
        l[9] = -8.0f;
        l[10] = -27.3f;
        l[11] = -28.0f;
    }
    const QString file = dir.filePath("pass-27.3.json");
    QVERIFY(WriteThresholdFile(file, limits, nullptr));

    const CliRun run =
        RunCli({"--port", host->DevicePath(), "records", "--format", "json", "--thresholds", file});
    QCOMPARE(run.code, 0);
    const QJsonObject ont1270 =
        QJsonDocument::fromJson(run.out)["records"][0]["ONT:1270nm"].toObject();
    QCOMPARE(ont1270["dBm"].toDouble(), printed);
    QCOMPARE(ont1270["verdict"].toString(), verdict);
}

void TestCli::presetSetsOnlyItsChannelsAndDisorderIsWarned()
{
    const auto host = StartMeter();
    QVERIFY(host);
    auto expected = host->Meter().Groups();
    const CliRun set = RunCli({"--port", host->DevicePath(), "thresholds", "set", "--preset",
                               "gpon-c-plus", "--group", "3", "--margin", "2", "--yes"});
    QCOMPARE(set.code, 0);
    // OLT:1490nm (limits 3 to 5) of group 3 only; Pass = Fail + 2.
    expected[2].limits[3] = -8.0f;
    expected[2].limits[4] = -28.0f;
    expected[2].limits[5] = -30.0f;
    for (int g = 1; g <= 3; ++g)
        QCOMPARE(host->Meter().Groups()[g - 1].limits, expected[g - 1].limits);
    QVERIFY2(!set.err.contains("out of order"), qPrintable(set.err));

    // Over below Pass is uploaded all the same, with a warning.
    ThresholdFile file = FactoryFile();
    file.table.Group(2).limits[0] = file.table.Group(2).limits[1] - 1.0f;
    const QString disordered = dir.filePath("disordered.json");
    QString error;
    QVERIFY(WriteThresholdFile(disordered, file, &error));
    const CliRun warned =
        RunCli({"--port", host->DevicePath(), "thresholds", "set", disordered, "--yes"});
    QCOMPARE(warned.code, 0);
    QCOMPARE(host->Meter().Groups()[1].limits[0], file.table.Group(2).limits[0]);
    QVERIFY2(warned.err.contains("warning: group 2, ONT:1310nm: Over "), qPrintable(warned.err));
    QVERIFY2(warned.err.contains("the limits are out of order"), qPrintable(warned.err));
}

void TestCli::udevRuleMatchesTheMeterExactly_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("match"); // the rule's match, before its assignments
    QTest::newRow("with its serial number")
        << "QX-0042"
        << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="10c4", ATTRS{idProduct}=="ea60", ATTRS{serial}=="QX-0042")";
    QTest::newRow("without one")
        << ""
        << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="10c4", ATTRS{idProduct}=="ea60")";
}

void TestCli::udevRuleMatchesTheMeterExactly()
{
    QFETCH(QString, serial);
    QFETCH(QString, match);
    PortRecord port;
    port.device = "/dev/ttyUSB0";
    port.vendor = 0x10c4;
    port.product = 0xea60;
    port.serial = serial;
    const QStringList lines = UdevRule(port).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith('#'));
    QCOMPARE(
        lines[1],
        match +
            R"(, MODE="0660", TAG+="uaccess", ENV{ID_MM_DEVICE_IGNORE}="1", SYMLINK+="qx390d")");
    QCOMPARE(PortLine(port), "/dev/ttyUSB0\t-\t10c4:ea60\t" + (serial.isEmpty() ? "-" : serial));
}

void TestCli::commandLineFormsAreRead_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("read"); // the options read, as Read() below writes them
    QTest::addColumn<QString>("error");

    const QString help = " (see qx390d-cli --help)";
    QTest::newRow("-oFILE") << QStringList{"records", "-o/tmp/r.csv"} << "output=/tmp/r.csv"
                            << "";
    QTest::newRow("--output FILE") << QStringList{"records", "--output", "r.csv"} << "output=r.csv"
                                   << "";
    QTest::newRow("--opt=value") << QStringList{"--port=/dev/x", "records"} << "port=/dev/x"
                                 << "";
    QTest::newRow("option after the command")
        << QStringList{"records", "--port", "/dev/x"} << "port=/dev/x"
        << "";
    QTest::newRow("negative number as an argument")
        << QStringList{"calibrate", "1310", "-7.5"} << "reference=-7.5"
        << "";
    QTest::newRow("-- ends the options")
        << QStringList{"archive", "import", "--", "-a.csv", "--demo"} << "files=-a.csv|--demo"
        << "";
    QTest::newRow("- is an argument") << QStringList{"archive", "import", "-"} << "files=-"
                                      << "";
    QTest::newRow("the last value counts")
        << QStringList{"--port", "/dev/a", "--port=/dev/b", "records"} << "port=/dev/b"
        << "";
    QTest::newRow("help") << QStringList{"records", "-h"} << "help"
                          << "";
    QTest::newRow("version") << QStringList{"-V"} << "version"
                             << "";
    QTest::newRow("unknown option") << QStringList{"records", "--bogus"} << ""
                                    << "unknown option '--bogus'" + help;
    QTest::newRow("long option with one dash") << QStringList{"-port", "/dev/x", "records"} << ""
                                               << "unknown option '-port'" + help;
    QTest::newRow("value to a switch") << QStringList{"--demo=yes", "records"} << ""
                                       << "option --demo takes no value" + help;
    QTest::newRow("missing value") << QStringList{"records", "--port"} << ""
                                   << "option --port needs a value" + help;
    QTest::newRow("empty value") << QStringList{"--archive=", "archive", "list"} << ""
                                 << "option --archive needs a value" + help;
    QTest::newRow("archive option's value") << QStringList{"archive", "list", "--group", "4"} << ""
                                            << "--group: '4' is not 1, 2 or 3" + help;
    QTest::newRow("first mistake told")
        << QStringList{"--format", "xml", "--bogus", "records"} << ""
        << "unknown format 'xml' (csv or json)" + help;
}

void TestCli::commandLineFormsAreRead()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, read);
    QFETCH(QString, error);

    const CliCommandLine line = ParseCliCommandLine(QStringList{"qx390d-cli"} + arguments);
    QCOMPARE(line.outcome == CliCommandLine::Outcome::Error ? line.text : QString(), error);
    if (!error.isEmpty())
        return;
    const CliOptions& o = line.options;
    const QString field = read.section('=', 0, 0);
    const QString got = line.outcome == CliCommandLine::Outcome::Help      ? "help"
                        : line.outcome == CliCommandLine::Outcome::Version ? "version"
                        : field == "output"                                ? "output=" + o.output
                        : field == "port"                                  ? "port=" + o.port
                        : field == "reference" ? "reference=" + QString::number(o.reference)
                                               : "files=" + o.archive.files.join('|');
    QCOMPARE(got, read);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
