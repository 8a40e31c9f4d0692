#include "FakePrompter.h"
#include "PageRecorder.h"
#include "ShownBoxes.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "link/DeviceLink.h"
#include "link/ExchangeWatch.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"

#include <QSignalSpy>

#include <QTest>

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openPortWithoutPortFails();
    void openPortReopensAnOpenPort();
    void sendWhileClosedWritesNothing();
    void closePortOnClosedLinkKeepsLinkConnected();
    void closePortClearsTheLink();
    void portFailureClosesTheLinkAndTellsOnce_data();
    void portFailureClosesTheLinkAndTellsOnce();
    void answersReachTheSelectedPage();
    void handshakeAnswerConfirmsOnceTheBoxIsClosed();
    void unansweredRequestEndsItsExchange_data();
    void unansweredRequestEndsItsExchange();

private:
    StubPort* OpenWithStub();

    DeviceLink* link = DeviceLink::Instance();
    FakePrompter prompter;
    PageRecorder page;
};

void TestDeviceLink::init()
{
    ResetLinkState();
    prompter = FakePrompter();
    page.got.clear();
    link->SetPrompter(&prompter, nullptr);
    link->targetWindow = &page;
}

void TestDeviceLink::cleanup()
{
    link->ClosePort();
    link->SetCommControl(nullptr);
    link->ShutDown();
}

StubPort* TestDeviceLink::OpenWithStub()
{
    auto* port = new StubPort;
    link->SetCommControl(port);
    portName = QStringLiteral("/dev/ttyACM0");
    link->StartReception();
    if (!link->OpenPort())
        return nullptr;
    return port;
}

void TestDeviceLink::openPortWithoutPortFails()
{
    QVERIFY(!link->OpenPort());
    QCOMPARE(link->linkActive.load(), 0);
}

void TestDeviceLink::openPortReopensAnOpenPort()
{
    auto* port = new StubPort;
    port->open = true;
    link->SetCommControl(port);
    QVERIFY(link->OpenPort());
    QCOMPARE(port->closes, 1);
    QCOMPARE(port->opens, 1);
    QVERIFY(port->open);
}

void TestDeviceLink::sendWhileClosedWritesNothing()
{
    auto* port = new StubPort;
    link->SetCommControl(port);
    link->RequestRecord(3);
    link->DeleteCurrentRecord();
    QVERIFY(port->written.isEmpty());
}

void TestDeviceLink::closePortOnClosedLinkKeepsLinkConnected()
{
    linkConnected = 1;
    link->ClosePort();
    QCOMPARE(linkConnected.load(), 1);
}

void TestDeviceLink::closePortClearsTheLink()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    linkConnected = 1;
    connectPending = 1;
    downloadBusy = 1;
    uploadGroupCounter = 2;
    link->ClosePort();
    QCOMPARE(link->linkActive.load(), 0);
    QCOMPARE(linkConnected.load(), 0);
    QCOMPARE(uploadGroupCounter.load(), 0);
    QVERIFY(!link->CommControl());
    QVERIFY(!link->ReceptionRunning());
    // Left to their owners.
    QCOMPARE(connectPending.load(), 1);
    QCOMPARE(downloadBusy.load(), 1);
    QVERIFY(prompter.boxes.isEmpty());
}

void TestDeviceLink::portFailureClosesTheLinkAndTellsOnce_data()
{
    QTest::addColumn<bool>("byWrite");
    QTest::newRow("write fails") << true;
    QTest::newRow("port goes away") << false;
}

void TestDeviceLink::portFailureClosesTheLinkAndTellsOnce()
{
    QFETCH(bool, byWrite);
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    linkConnected = 1;
    downloadBusy = 1;
    QSignalSpy lost(link, &DeviceLink::PortLost);
    if (byWrite) {
        port->failWrites = true;
        link->RequestRecord(1);
        link->RequestRecord(2);
    } else {
        port->Unplug();
    }
    QTRY_COMPARE(prompter.boxes.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(prompter.boxes.size(), 1);
    QCOMPARE(prompter.boxes[0].text, disconnectNotice);
    QCOMPARE(prompter.boxes[0].caption, QStringLiteral("PON Prompt Message"));
    QCOMPARE(prompter.boxes[0].buttons, int(Prompter::Ok));
    QCOMPARE(prompter.boxes[0].icon, Prompter::Icon::None);
    QCOMPARE(lost.size(), 1);
    QCOMPARE(link->linkActive.load(), 0);
    QCOMPARE(linkConnected.load(), 0);
    QCOMPARE(downloadBusy.load(), 0);
}

void TestDeviceLink::answersReachTheSelectedPage()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    const QByteArray record = AnswerFrame(0x01, FromHex("00 00 20 C1"));
    port->Deliver(record.left(13));
    port->Deliver(record.mid(13));
    QTRY_COMPARE(page.got.size(), 1);
    QCOMPARE(page.got[0].message, int(WM_METER_RECORD));
    QCOMPARE(page.got[0].copy, record);
    QCOMPARE(page.got[0].param, 31);
}

void TestDeviceLink::handshakeAnswerConfirmsOnceTheBoxIsClosed()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    connectPending = 1;
    int connectedWhileShown = -1;
    prompter.onShow = [&](const FakePrompter::Box&) {
        connectedWhileShown = linkConnected;
    };
    QVERIFY(!link->HandshakeAnswered());
    port->Deliver(FromHex("55 F0 00") + QByteArray(26, 0) + FromHex("F0 00"));
    QTRY_COMPARE(linkConnected.load(), 1);
    QCOMPARE(connectPending.load(), 0);
    QCOMPARE(connectedWhileShown, 0);
    QVERIFY(link->HandshakeAnswered());
    QCOMPARE(prompter.Texts(), QStringList{"Connected Success!"});
    QCOMPARE(prompter.boxes[0].caption, promptCaption);
}

namespace {

QByteArray Request(void (*build)(CommandFrame&))
{
    CommandFrame f;
    build(f);
    return f.ToByteArray();
}

} // namespace

// One limit for every answer of a download or an upload; when it passes the exchange ends
// (downloadBusy cleared), the operator is told where, and nothing is sent again.
void TestDeviceLink::unansweredRequestEndsItsExchange_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("storedCount");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("text");
    const QString stopped = QStringLiteral("The meter stopped answering during the ");
    QTest::newRow("record 38 of 100")
        << Request([](CommandFrame& f) { f.RequestRecord(37); }) << 100 << QByteArray()
        << stopped + "record download (record 38 of 100).";
    QTest::newRow("the first record") << Request([](CommandFrame& f) { f.RequestRecord(0); }) << 7
                                      << QByteArray() << stopped + "record download (record 1).";
    QTest::newRow("threshold download")
        << Request([](CommandFrame& f) { f.RequestThresholdPart3(2); }) << 0 << QByteArray()
        << stopped + "threshold download (group 2, part 3).";
    QTest::newRow("threshold upload") << Request([](CommandFrame& f) {
        f.SetCode(0x07);
        f[28] = 3;
    }) << 0 << QByteArray() << stopped + "threshold upload (group 3, part 2).";
    QTest::newRow("answered in time")
        << Request([](CommandFrame& f) { f.RequestRecord(4); }) << 9
        << AnswerFrame(0x01, QByteArray(18, '\0') + FromHex("00 04 00 09")) << QString();
}

void TestDeviceLink::unansweredRequestEndsItsExchange()
{
    QFETCH(QByteArray, request);
    QFETCH(int, storedCount);
    QFETCH(QByteArray, answer);
    QFETCH(QString, text);
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    storedRecordCount = qint16(storedCount);
    downloadBusy = 1;
    link->Send([&request](CommandFrame& f) {
        for (int i = 1; i < kFrameSize; ++i)
            f[i] = quint8(request[i]);
    });
    ExchangeWatch& watch = link->AnswerWatch();
    QVERIFY(watch.Waiting());
    if (!answer.isEmpty()) {
        port->Deliver(answer);
        // The answer reaches the page after the watch has heard of it.
        QTRY_COMPARE(page.got.size(), 1);
        QVERIFY(!watch.Expire());
        QCoreApplication::processEvents();
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(downloadBusy.load(), 1);
        return;
    }
    QVERIFY(watch.Expire());
    QCOMPARE(ShownBoxes(prompter),
             QStringList{BoxLine(text, Prompter::Ok, Prompter::Icon::Warning)});
    QCOMPARE(downloadBusy.load(), 0);
    // The exchange has ended: the limit cannot pass a second time, and nothing is sent
    // again (the handshake and the request).
    QVERIFY(!watch.Waiting());
    QVERIFY(!watch.Expire());
    QCoreApplication::processEvents();
    QCOMPARE(port->written.size(), 2);
    QCOMPARE(prompter.boxes.size(), 1);
}

QTEST_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
