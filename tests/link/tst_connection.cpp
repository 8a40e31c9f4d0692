// The connection and device commands end to end: the real serial port against the
// virtual meter on a pseudo-terminal.
#include "FakePrompter.h"
#include "PageRecorder.h"
#include "ShownBoxes.h"
#include "TestSupport.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/SerialPortDriver.h"
#include "protocol/CommandFrame.h"
#include "sim/PtyHost.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int kWaitMs = 8000;

QString Hex(void (*build)(CommandFrame&))
{
    CommandFrame f;
    build(f);
    f.Complete();
    return ToHex(f.ToByteArray());
}

const QStringList kThresholdDownloadBoxes{"Connected Success!", "DownLoad Threshold Complete!"};

// The nine requests of a threshold download, as the meter must receive them.
QStringList ThresholdDownloadRequests()
{
    QStringList requests;
    for (quint8 g = 1; g <= 3; ++g) {
        CommandFrame f;
        for (void (CommandFrame::*part)(quint8) :
             {&CommandFrame::RequestThresholdPart1, &CommandFrame::RequestThresholdPart2,
              &CommandFrame::RequestThresholdPart3}) {
            (f.*part)(g);
            f.Complete();
            requests << ToHex(f.ToByteArray());
        }
    }
    return requests;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectReachesConnected();
    void secondConnectWhilePendingIsIgnored();
    void deleteCommandsAskAndSendTheirFrames();
    void answeringNoSendsNothing();
    void downloadCommandsSendTheirFrames();
    void thresholdDownloadRunsNineExchanges();
    void uploadAsksTheSelectedPage();
    void disconnectClosesTheLink();
    void portLostWhileTheConnectedBoxIsOpen();
    void reconnectWhileTheOldLinkStillHoldsAnAnswer();
    void missingPortCannotBeOpened();
    void discoveryFailures_data();
    void discoveryFailures();

private:
    bool StartMeter(SimOptions options = {});
    bool ConnectToMeter();
    QStringList SentAfterHandshake() const;

    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<ConnectionCommands> commands;
};

void TestConnection::init()
{
    link = std::make_unique<DeviceLink>();
    prompter = FakePrompter();
    link->SetPrompter(&prompter, nullptr);
}

void TestConnection::cleanup()
{
    commands.reset();
    link.reset();
    host.reset();
}

bool TestConnection::StartMeter(SimOptions options)
{
    host = std::make_unique<PtyHost>(options);
    if (!host->Open())
        return false;
    commands = std::make_unique<ConnectionCommands>(*link, prompter, nullptr, host->DevicePath());
    commands->SetOpenDelay(50);
    return true;
}

bool TestConnection::ConnectToMeter()
{
    commands->Connect();
    return QTest::qWaitFor([this] { return State().connected.load(); }, kWaitMs);
}

QStringList TestConnection::SentAfterHandshake() const
{
    return host->Meter().FrameLog().mid(1);
}

void TestConnection::connectReachesConnected()
{
    QVERIFY(StartMeter());
    commands->Connect();
    QCOMPARE(State().connectPending.load(), true);
    QTRY_COMPARE_WITH_TIMEOUT(State().connected.load(), true, kWaitMs);
    QCOMPARE(State().connectPending.load(), false);
    QCOMPARE(link->IsActive(), true);
    QCOMPARE(prompter.Texts(), QStringList{"Connected Success!"});
    QCOMPARE(prompter.boxes[0].caption, promptCaption());
    QCOMPARE(host->Meter().FrameLog(),
             QStringList{Hex([](CommandFrame& f) { f.SetCode(MeterCode::Handshake); })});
}

void TestConnection::secondConnectWhilePendingIsIgnored()
{
    QVERIFY(StartMeter());
    commands->Connect();
    commands->Connect();
    QTRY_COMPARE_WITH_TIMEOUT(State().connected.load(), true, kWaitMs);
    QTest::qWait(200);
    QCOMPARE(host->FramesReceived(), 1);
    QCOMPARE(prompter.boxes.size(), 1);
}

void TestConnection::deleteCommandsAskAndSendTheirFrames()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    // No is the default button: a stray Enter deletes nothing.
    const auto question = [](const QString& text) {
        return BoxLine(text, Prompter::Yes | Prompter::No, Prompter::Icon::None, promptCaption(),
                       Prompter::No);
    };
    State().storedRecordCount = 12;
    commands->DeleteCurrent();
    QCOMPARE(ShownBoxes(prompter).last(), question("Delete the 12th test data?"));

    State().storedRecordCount = 3;
    commands->DeleteAll();
    QCOMPARE(ShownBoxes(prompter).last(), question("Do you want to delete all data?"));
    // Set at once, before the meter answers.
    QCOMPARE(State().storedRecordCount.load(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(SentAfterHandshake().size(), 2, kWaitMs);
    QCOMPARE(SentAfterHandshake(),
             (QStringList{Hex([](CommandFrame& f) { f.DeleteCurrentRecord(12); }),
                          Hex([](CommandFrame& f) {
                              f.ClearFrame();
                              f.SetCode(MeterCode::DeleteAll);
                          })}));

    const int before = int(prompter.boxes.size());
    commands->DeleteCurrent();
    commands->DeleteAll();
    QCOMPARE(prompter.Texts().mid(before),
             (QStringList{"Have no data can be deleted!", "Have no data can be deleted!"}));
    QCOMPARE(prompter.boxes.last().buttons, int(Prompter::Ok));
}

void TestConnection::answeringNoSendsNothing()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    State().storedRecordCount = 5;
    prompter.defaultAnswer = Prompter::No;
    commands->DeleteCurrent();
    commands->DeleteAll();
    QCOMPARE(State().storedRecordCount.load(), 5);
    QTest::qWait(200);
    QVERIFY(SentAfterHandshake().isEmpty());
}

void TestConnection::downloadCommandsSendTheirFrames()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    // A frame left over from an earlier command must not leak into the requests.
    link->Send([](CommandFrame& f) { f.PutUInt16BE(20, 0xBEEF); });
    QTRY_COMPARE_WITH_TIMEOUT(SentAfterHandshake().size(), 1, kWaitMs);
    commands->DownloadRecords();
    QTRY_COMPARE_WITH_TIMEOUT(SentAfterHandshake().size(), 2, kWaitMs);
    QCOMPARE(SentAfterHandshake()[1], Hex([](CommandFrame& f) { f.RequestRecord(0); }));
}

void TestConnection::thresholdDownloadRunsNineExchanges()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    commands->DownloadThresholds();
    QTRY_COMPARE_WITH_TIMEOUT(prompter.Texts(), kThresholdDownloadBoxes, kWaitMs);
    QCOMPARE(SentAfterHandshake(), ThresholdDownloadRequests());
}

void TestConnection::uploadAsksTheSelectedPage()
{
    // The page confirms and sends the frames; the command itself sends nothing.
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    PageRecorder page;
    link->SetMessageTarget(&page);
    commands->UploadThresholds();
    QTRY_COMPARE(page.got.size(), 1);
    QCOMPARE(page.got[0].kind, MeterMessage::Kind::UploadStart);
    QCOMPARE(page.got[0].param, 0);
    QTest::qWait(100);
    QVERIFY(SentAfterHandshake().isEmpty());
}

void TestConnection::disconnectClosesTheLink()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    State().downloadBusy = true;
    // A frame sent just before the disconnect still leaves before the port closes.
    commands->DownloadRecords();
    commands->Disconnect();
    QCOMPARE(prompter.Texts().last(), QStringLiteral("Connection has been disconnected!"));
    QTRY_COMPARE_WITH_TIMEOUT(SentAfterHandshake(),
                              QStringList{Hex([](CommandFrame& f) { f.RequestRecord(0); })},
                              kWaitMs);
    QCOMPARE(State().connected.load(), false);
    QCOMPARE(State().downloadBusy.load(), false);
    QCOMPARE(link->IsActive(), false);
    // The meter may be connected again.
    prompter.boxes.clear();
    QVERIFY(ConnectToMeter());
}

// The meter is unplugged while the operator still looks at "Connected Success!", after the
// handshake limit has passed: closing the box afterwards must not mark the closed link
// connected, and connecting must be possible again.
void TestConnection::portLostWhileTheConnectedBoxIsOpen()
{
    QVERIFY(StartMeter());
    prompter.onShow = [this](const FakePrompter::Box& box) {
        if (box.text != QLatin1String("Connected Success!"))
            return;
        QVERIFY(commands->ExpireHandshakeLimit());
        host.reset();
        QVERIFY(QTest::qWaitFor([this] { return !link->IsActive(); }, kWaitMs));
    };
    commands->Connect();
    QTRY_COMPARE_WITH_TIMEOUT(prompter.Texts(),
                              (QStringList{"Connected Success!", disconnectNotice()}), kWaitMs);
    QVERIFY(!QTest::qWaitFor([this] { return State().connected.load(); }, 300));
    QCOMPARE(State().connectPending.load(), false);
    // Connecting again works.
    prompter = FakePrompter();
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
}

// The old link's reception thread is held by its completion box with a threshold answer
// still queued behind it while the operator disconnects and connects again (a thread
// lagging under load does the same). Nothing of that answer may reach the page or the new
// link: the next download on the new link runs exactly as the first.
void TestConnection::reconnectWhileTheOldLinkStillHoldsAnAnswer()
{
    QVERIFY(StartMeter());
    QVERIFY(ConnectToMeter());
    PageRecorder page;
    link->SetMessageTarget(&page);
    bool held = false;
    prompter.onShow = [&](const FakePrompter::Box& box) {
        if (held || box.text != QLatin1String("DownLoad Threshold Complete!"))
            return;
        held = true;
        QSignalSpy received(link->Port(), &SerialPortDriver::Received);
        commands->DownloadThresholds();
        QVERIFY(QTest::qWaitFor(
            [&] {
                qsizetype bytes = 0;
                for (const QList<QVariant>& chunk : received)
                    bytes += chunk[0].toByteArray().size();
                return bytes >= kFrameSize;
            },
            kWaitMs));
        commands->Disconnect();
        commands->Connect();
        QVERIFY(QTest::qWaitFor([this] { return State().connected.load(); }, kWaitMs));
    };
    commands->DownloadThresholds();
    QTRY_VERIFY_WITH_TIMEOUT(held && State().connected.load(), kWaitMs);
    const int handshakes = int(host->Meter().FrameLog().size());
    prompter.boxes.clear();
    page.got.clear();

    commands->DownloadThresholds();
    QTRY_COMPARE_WITH_TIMEOUT(prompter.Texts(), QStringList{"DownLoad Threshold Complete!"},
                              kWaitMs);
    QCoreApplication::processEvents();
    QCOMPARE(host->Meter().FrameLog().mid(handshakes), ThresholdDownloadRequests());
    QCOMPARE(page.got.size(), 9);
}

// The fault suite covers a port without permission and one held by another program.
void TestConnection::missingPortCannotBeOpened()
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyACM9"));
    commands = std::make_unique<ConnectionCommands>(*link, prompter, nullptr, device);
    commands->SetOpenDelay(0);
    QSignalSpy ended(commands.get(), &ConnectionCommands::ConnectAttemptEnded);
    commands->Connect();
    QVERIFY(ended.wait(kWaitMs));
    QCOMPARE(ended[0][0].toBool(), false);
    QCOMPARE(prompter.boxes.size(), 1);
    const QString text = prompter.boxes[0].text;
    QVERIFY2(text.startsWith(device + QStringLiteral(": ")), qPrintable(text));
    QCOMPARE(prompter.boxes[0].caption, promptCaption());
    QCOMPARE(State().connectPending.load(), false);
    QCOMPARE(link->IsActive(), false);
}

void TestConnection::discoveryFailures_data()
{
    QTest::addColumn<bool>("withClassDir");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Prompter::Icon>("icon");
    QTest::newRow("no meter plugged in")
        << true
        << "Open port failed,Please make sure the equipment  is turned on or connection is normal!"
        << Prompter::Icon::Warning;
    QTest::newRow("tty class unreadable")
        << false << QStringLiteral("在注册表中无法打开键 ") << Prompter::Icon::None;
}

void TestConnection::discoveryFailures()
{
    QFETCH(bool, withClassDir);
    QFETCH(QString, text);
    QFETCH(Prompter::Icon, icon);
    QTemporaryDir root;
    if (withClassDir)
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("class/tty/ttyS0"))));
    commands =
        std::make_unique<ConnectionCommands>(*link, prompter, nullptr, QString(), root.path());
    commands->Connect();
    QCOMPARE(prompter.Texts(), QStringList{text});
    QCOMPARE(prompter.boxes[0].icon, icon);
    QCOMPARE(State().connectPending.load(), false);
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
