#include "FakePrompter.h"
#include "PageRecorder.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "link/DeviceLink.h"
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

QTEST_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
