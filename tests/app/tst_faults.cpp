// Faults met by the whole program: the main window, its commands and pages, the real
// serial port and the virtual meter on a pseudo-terminal. Each gives a clear message, leaves
// the program responsive and loses or half-writes no row and no file.
#include "FakePrompter.h"
#include "MeterRows.h"
#include "ShownBoxes.h"
#include "TestSupport.h"
#include "app/CommandIds.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "common/ExportFile.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/ExchangeWatch.h"
#include "records/RecordTexts.h"
#include "records/RecordsPage.h"
#include "sim/PtyHost.h"
#include "thresholds/ThresholdCells.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 20000;

// A late answer: the test makes the link give up on it at once and the meter sends it after
// kLateMs, by which time the operator has started again. The restarted exchange's first
// answer waits behind the late one, so it too comes kLateMs after the request it answers:
// still well within the real limit.
constexpr int kLateMs = 1000;

enum class Fault { None, PermissionDenied, PortHeld, FullDisk, ReadOnlyFile };

const QByteArray kOldFile = "an earlier export\r\n";

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A request in the meter's frame log as its code and what it asks for: the low byte of the
// record index, or the threshold group.
QString Step(const QString& logLine)
{
    const QStringList bytes = logLine.split(' ');
    return bytes[2] + ' ' + (bytes[2] == QLatin1String("01") ? bytes[4] : bytes[28]);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(SimOptions)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void faultEndsWithAClearMessageAndNothingLost_data();
    void faultEndsWithAClearMessageAndNothingLost();
    void lateAnswerAfterAStallIsDropped_data();
    void lateAnswerAfterAStallIsDropped();

private:
    // The main window against a fresh virtual meter; the link is not connected yet.
    bool StartProgram(const SimOptions& options);
    // Sets the fault up before the connect; false (with a skip) when it cannot be made here.
    bool Prepare(Fault fault);
    void Connect(Fault fault);

    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<MainWindow> frame;
    std::unique_ptr<ConnectionCommands> commands;
    std::unique_ptr<QProcess> holder;
    std::unique_ptr<QTemporaryDir> dir;
    QString mounted;
};

void TestFaults::init()
{
    link = std::make_unique<DeviceLink>();
    prompter = FakePrompter();
    dialogs = FakeFileDialogs();
    dir = std::make_unique<QTemporaryDir>();
}

void TestFaults::cleanup()
{
    link->ClosePort();
    if (holder) {
        holder->closeWriteChannel();
        holder->waitForFinished();
        holder.reset();
    }
    if (!mounted.isEmpty())
        ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
    mounted.clear();
    commands.reset();
    frame.reset();
    link.reset();
    host.reset();
    dir.reset();
}

void TestFaults::faultEndsWithAClearMessageAndNothingLost_data()
{
    QTest::addColumn<SimOptions>("options");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("download");
    // Expected boxes; {dev} is the port, {denied} the system's text for EACCES, {record}
    // the number of the record whose answer the meter dropped, {file} the export's path.
    QTest::addColumn<QStringList>("boxes");
    // Rows left in the table; -1: those before the dropped answer.
    QTest::addColumn<int>("rows");

    const QString connected = BoxLine("Connected Success!");
    const QString complete = BoxLine(RecordText::DownloadComplete());
    SimOptions meter;
    meter.meter.records = 100;

    SimOptions unplug = meter;
    unplug.unplugAfter = 42; // the handshake, requests 0 to 39 answered, then request 40
    QTest::newRow("unplugged during a download")
        << unplug << Fault::None << true << QStringList{connected, BoxLine(disconnectNotice())}
        << 40;

    SimOptions noise = meter;
    noise.noise = 7;
    QTest::newRow("noise before every answer")
        << noise << Fault::None << true << QStringList{connected, complete} << 100;

    SimOptions drop = meter;
    drop.drop = 0.05;
    drop.meter.seed = 3;
    QTest::newRow("an answer dropped")
        << drop << Fault::None << true
        << QStringList{connected, BoxLine("The meter stopped answering during the record download "
                                          "(record {record} of 100).",
                                          Prompter::Ok, Prompter::Icon::Warning)}
        << -1;

    SimOptions silent;
    silent.meter.silent = true;
    QTest::newRow("no answer to the handshake")
        << silent << Fault::None << false << QStringList{BoxLine("Conneced Fail!")} << 0;

    QTest::newRow("no permission for the port")
        << SimOptions() << Fault::PermissionDenied << false
        << QStringList{BoxLine("{dev}: {denied}\nAsk the administrator to add your user to the "
                               "'dialout' group, then log in again.")}
        << 0;

    QTest::newRow("port held by another program")
        << SimOptions() << Fault::PortHeld << false
        << QStringList{BoxLine("{dev}: the port is busy: another program is using it.\nClose "
                               "that program, then connect again.")}
        << 0;

    QTest::newRow("export to a full disk")
        << meter << Fault::FullDisk << true
        << QStringList{connected, complete,
                       BoxLine(ExportText::WriteFailed() + "{file}", Prompter::Ok,
                               Prompter::Icon::Warning)}
        << 100;

    QTest::newRow("export over a read-only file")
        << meter << Fault::ReadOnlyFile << true
        << QStringList{connected, complete,
                       BoxLine(ExportText::FileInUse(), Prompter::Ok, Prompter::Icon::Information)}
        << 100;
}

void TestFaults::faultEndsWithAClearMessageAndNothingLost()
{
    QFETCH(SimOptions, options);
    QFETCH(Fault, fault);
    QFETCH(bool, download);
    QFETCH(QStringList, boxes);
    QFETCH(int, rows);

    QVERIFY(StartProgram(options));
    int dropped = -1;
    connect(host.get(), &PtyHost::AnswerDropped, this, [&dropped](const QByteArray& answer) {
        if (dropped < 0)
            dropped = quint8(answer[21]) << 8 | quint8(answer[22]);
    });
    if (!Prepare(fault))
        return;
    Connect(fault);
    if (QTest::currentTestFailed())
        return;
    // The meter that never answers: its handshake limit is made to pass, not waited for; the
    // dropped answer is the one fault that waits out the real limit.
    if (options.meter.silent)
        QVERIFY(commands->ExpireHandshakeLimit());
    RecordsPage& page = *frame->View()->Records();
    if (download) {
        QVERIFY(WaitUntil([this] { return State().connected.load(); }));
        frame->UpdateActions();
        frame->Action(Cmd::DownloadData)->trigger();
        QVERIFY(
            WaitUntil([&] { return prompter.boxes.size() >= 2 && !State().downloadBusy.load(); }));
    }
    const QString file = dir->filePath(QStringLiteral("meter.csv"));
    if (fault == Fault::FullDisk || fault == Fault::ReadOnlyFile) {
        dialogs.savePath = file;
        frame->UpdateActions();
        frame->Action(Cmd::Save)->trigger();
    }
    QTRY_COMPARE_WITH_TIMEOUT(prompter.boxes.size(), boxes.size(), kWaitMs);

    if (rows < 0) {
        QVERIFY(dropped >= 0);
        rows = dropped;
    }
    for (QString& box : boxes)
        box.replace("{dev}", host->DevicePath())
            .replace("{denied}", qt_error_string(EACCES))
            .replace("{record}", QString::number(dropped + 1))
            .replace("{file}", QDir::toNativeSeparators(file));
    QCOMPARE(ShownBoxes(prompter), boxes);
    QCOMPARE(Rows(page.Table()), ExpectedRows(host->Meter(), rows));
    if (fault == Fault::FullDisk || fault == Fault::ReadOnlyFile) {
        QCOMPARE(FileBytes(file), kOldFile);
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"filler", "meter.csv"}).mid(fault == Fault::FullDisk ? 0 : 1));
    }

    // Responsive: the tabs are free, connecting is offered exactly when the link is down,
    // the event loop turns, and nothing spins.
    QCOMPARE(State().downloadBusy.load(), false);
    frame->UpdateActions();
    QCOMPARE(frame->Action(Cmd::Connect)->isEnabled(), !State().connected.load());
    QCOMPARE(frame->Action(Cmd::DownloadData)->isEnabled(), State().connected.load());
    const double before = CpuSeconds();
    bool turned = false;
    QTimer::singleShot(0, this, [&turned] { turned = true; });
    QTest::qWait(500);
    QVERIFY(turned);
    const double spent = CpuSeconds() - before;
    QVERIFY2(spent < 0.25, qPrintable(QString::number(spent)));
    QCOMPARE(prompter.boxes.size(), boxes.size());
}

// The meter answers one request of a download or an upload after the link has given up on
// it; the operator may have started the exchange again meanwhile. The late answer belongs to
// the stalled exchange and is dropped: a restarted one runs exactly once, in order, and the
// stalled one ends with its stall message.
void TestFaults::lateAnswerAfterAStallIsDropped_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("restart");  // the operator starts again when told of the stall
    QTest::addColumn<int>("lateFrame"); // counted from the handshake
    // The requests the meter receives (Step), from the first of the stalled exchange.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("rows"); // the meter's records in the table; -1: not looked at

    const QString connected = BoxLine("Connected Success!");
    const auto stalled = [](const QString& where) {
        return BoxLine("The meter stopped answering during the " + where + ".", Prompter::Ok,
                       Prompter::Icon::Warning);
    };
    QStringList download;
    for (int index : {0, 1, 2, 3, 4})
        download << QStringLiteral("01 0%1").arg(index);
    // The handshake, then the requests for records 1 to 3.
    QTest::newRow("record download, started again")
        << false << true << 4 << download.mid(0, 3) + download
        << QStringList{connected, stalled("record download (record 3 of 5)"),
                       BoxLine(RecordText::DownloadComplete())}
        << 5;
    // The last record's answer would have completed the download.
    QTest::newRow("record download, left stalled")
        << false << false << 6 << download
        << QStringList{connected, stalled("record download (record 5 of 5)")} << 4;

    QStringList upload;
    for (int group = 1; group <= 3; ++group)
        for (const char* code : {"06", "07", "CC"})
            upload << QStringLiteral("%1 0%2").arg(QLatin1String(code)).arg(group);
    const QString question = BoxLine(ThresholdText::ResetQuestion(), Prompter::Yes | Prompter::No);
    // The handshake, the nine frames of the threshold download, then group 2's part 2.
    QTest::newRow("threshold upload, started again")
        << true << true << 1 + 9 + 5 << upload.mid(0, 5) + upload
        << QStringList{connected, BoxLine("DownLoad Threshold Complete!"),
                       question,  stalled("threshold upload (group 2, part 2)"),
                       question,  BoxLine("UpLoad Threshold Complete!")}
        << -1;
}

void TestFaults::lateAnswerAfterAStallIsDropped()
{
    QFETCH(bool, upload);
    QFETCH(bool, restart);
    QFETCH(int, lateFrame);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);
    QFETCH(int, rows);

    SimOptions options;
    options.meter.records = 5;
    options.lateAnswer = lateFrame;
    options.lateMs = kLateMs;
    QVERIFY(StartProgram(options));
    // The meter holds back its answer to that frame: the answer limit is made to pass then,
    // as it would after 3 s.
    connect(host.get(), &PtyHost::FrameReceived, this, [this, lateFrame] {
        if (host->FramesReceived() == lateFrame)
            QTimer::singleShot(0, this, [this] { QVERIFY(link->AnswerWatch().Expire()); });
    });
    Connect(Fault::None);
    QVERIFY(WaitUntil([this] { return State().connected.load(); }));
    const QString complete =
        upload ? QStringLiteral("UpLoad Threshold Complete!") : RecordText::DownloadComplete();
    if (upload) {
        // The grid is filled from the meter, so the upload passes its checks.
        frame->View()->TabControl()->setCurrentIndex(ThresholdTab);
        frame->UpdateActions();
        frame->Action(Cmd::DownloadThreshold)->trigger();
        QVERIFY(WaitUntil([this] { return prompter.boxes.size() == 2; }));
    }
    const int stepsFrom = int(host->Meter().FrameLog().size());

    const auto start = [this, upload] {
        frame->UpdateActions();
        QAction* action = frame->Action(upload ? Cmd::UploadThreshold : Cmd::DownloadData);
        QVERIFY(action->isEnabled());
        action->trigger();
    };
    // The operator starts again as soon as the stall is reported.
    bool lateAnswerStillComing = false;
    prompter.onShow = [&](const FakePrompter::Box& box) {
        if (!box.text.startsWith(QLatin1String("The meter stopped answering")))
            return;
        lateAnswerStillComing = host->HasUnsentAnswers();
        if (restart)
            QTimer::singleShot(0, this, start);
    };
    start();
    QVERIFY(WaitUntil([&] {
        return restart ? prompter.Texts().contains(complete) : link->DroppedAnswers() > 0;
    }));
    QVERIFY(lateAnswerStillComing);
    QCOMPARE(link->DroppedAnswers(), 1);

    QCOMPARE(ShownBoxes(prompter), boxes);
    QStringList sent;
    for (const QString& line : host->Meter().FrameLog().mid(stepsFrom))
        sent << Step(line);
    QCOMPARE(sent, steps);
    if (rows >= 0)
        QCOMPARE(Rows(frame->View()->Records()->Table()), ExpectedRows(host->Meter(), rows));
}

bool TestFaults::StartProgram(const SimOptions& options)
{
    host = std::make_unique<PtyHost>(options);
    if (!host->Open()) {
        qWarning("%s", qPrintable(host->ErrorString()));
        return false;
    }
    frame = std::make_unique<MainWindow>(*link, prompter, dialogs);
    commands =
        std::make_unique<ConnectionCommands>(*link, prompter, frame.get(), host->DevicePath());
    commands->SetOpenDelay(0);
    frame->AttachCommands(*commands);
    link->SetPrompter(&prompter, frame.get());
    return true;
}

bool TestFaults::Prepare(Fault fault)
{
    const QByteArray device = QFile::encodeName(host->DevicePath());
    switch (fault) {
    case Fault::None:
        return true;
    case Fault::PermissionDenied:
        // As root the program gives up its privilege while it connects (see Connect).
        if (::chmod(device.constData(), 0) != 0) {
            QTest::qFail("chmod of the pseudo-terminal failed", __FILE__, __LINE__);
            return false;
        }
        return true;
    case Fault::PortHeld:
        holder = std::make_unique<QProcess>();
        holder->start(QCoreApplication::applicationDirPath() + QStringLiteral("/qx390d-portholder"),
                      {host->DevicePath()});
        if (!holder->waitForReadyRead(kWaitMs) || holder->readLine().trimmed() != "held") {
            QTest::qFail("the other program could not take the port", __FILE__, __LINE__);
            return false;
        }
        return true;
    case Fault::FullDisk: {
        // A small file system of its own, filled to the last block.
        if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(dir->path()).constData(),
                                        "tmpfs", 0, "size=16k") != 0) {
            QTest::qSkip("a full disk needs root and the right to mount a tmpfs", __FILE__,
                         __LINE__);
            return false;
        }
        mounted = dir->path();
        QFile filler(dir->filePath(QStringLiteral("filler")));
        if (!WriteFile(dir->filePath(QStringLiteral("meter.csv")), kOldFile) ||
            !filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            QTest::qFail("the file system could not be prepared", __FILE__, __LINE__);
            return false;
        }
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        return true;
    }
    case Fault::ReadOnlyFile: {
        const QString file = dir->filePath(QStringLiteral("meter.csv"));
        if (!WriteFile(file, kOldFile) || !QFile::setPermissions(file, QFile::ReadOwner)) {
            QTest::qFail("the read-only file could not be made", __FILE__, __LINE__);
            return false;
        }
        return true;
    }
    }
    return true;
}

void TestFaults::Connect(Fault fault)
{
    QSignalSpy ended(commands.get(), &ConnectionCommands::ConnectAttemptEnded);
    // Root may open anything: act as an ordinary user while the port is opened.
    const bool dropRoot = fault == Fault::PermissionDenied && ::geteuid() == 0;
    if (dropRoot)
        QVERIFY(::seteuid(65534) == 0);
    frame->UpdateActions();
    frame->Action(Cmd::Connect)->trigger();
    const bool done = ended.wait(kWaitMs);
    if (dropRoot)
        QVERIFY(::seteuid(0) == 0);
    QVERIFY(done);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
