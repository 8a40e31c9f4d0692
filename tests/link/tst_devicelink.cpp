#include "FakePrompter.h"
#include "PageRecorder.h"
#include "ShownBoxes.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "link/DeviceLink.h"
#include "link/ExchangeWatch.h"
#include "link/MeterMessage.h"

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

    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    PageRecorder page;
};

void TestDeviceLink::init()
{
    link = std::make_unique<DeviceLink>();
    prompter = FakePrompter();
    page.got.clear();
    link->SetPrompter(&prompter, nullptr);
    link->SetMessageTarget(&page);
}

void TestDeviceLink::cleanup()
{
    link.reset();
}

StubPort* TestDeviceLink::OpenWithStub()
{
    auto* port = new StubPort;
    link->SetPort(port);
    State().portName = QStringLiteral("/dev/ttyACM0");
    link->StartReception();
    if (!link->OpenPort())
        return nullptr;
    return port;
}

void TestDeviceLink::openPortWithoutPortFails()
{
    QVERIFY(!link->OpenPort());
    QCOMPARE(link->IsActive(), false);
}

void TestDeviceLink::openPortReopensAnOpenPort()
{
    auto* port = new StubPort;
    port->open = true;
    link->SetPort(port);
    QVERIFY(link->OpenPort());
    QCOMPARE(port->closes, 1);
    QCOMPARE(port->opens, 1);
    QVERIFY(port->open);
}

void TestDeviceLink::sendWhileClosedWritesNothing()
{
    auto* port = new StubPort;
    link->SetPort(port);
    link->RequestRecord(3);
    link->DeleteCurrentRecord();
    QVERIFY(port->written.isEmpty());
}

void TestDeviceLink::closePortOnClosedLinkKeepsLinkConnected()
{
    State().connected = true;
    link->ClosePort();
    QCOMPARE(State().connected.load(), true);
}

void TestDeviceLink::closePortClearsTheLink()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    State().connected = true;
    State().connectPending = true;
    State().downloadBusy = true;
    link->ClosePort();
    QCOMPARE(link->IsActive(), false);
    QCOMPARE(State().connected.load(), false);
    QVERIFY(!link->Port());
    QVERIFY(!link->ReceptionRunning());
    // Left to their owners.
    QCOMPARE(State().connectPending.load(), true);
    QCOMPARE(State().downloadBusy.load(), true);
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
    State().connected = true;
    State().downloadBusy = true;
    QSignalSpy lost(link.get(), &DeviceLink::PortLost);
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
    QCOMPARE(prompter.boxes[0].text, disconnectNotice());
    QCOMPARE(prompter.boxes[0].caption, QStringLiteral("PON Prompt Message"));
    QCOMPARE(prompter.boxes[0].buttons, int(Prompter::Ok));
    QCOMPARE(prompter.boxes[0].icon, Prompter::Icon::None);
    QCOMPARE(lost.size(), 1);
    QCOMPARE(link->IsActive(), false);
    QCOMPARE(State().connected.load(), false);
    QCOMPARE(State().downloadBusy.load(), false);
}

void TestDeviceLink::answersReachTheSelectedPage()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    link->RequestRecord(0);
    const QByteArray record = AnswerFrame(0x01, FromHex("00 00 20 C1"));
    port->Deliver(record.left(13));
    port->Deliver(record.mid(13));
    QTRY_COMPARE(page.got.size(), 1);
    QCOMPARE(page.got[0], (MeterMessage{MeterMessage::Kind::Record, record, 31}));
}

void TestDeviceLink::handshakeAnswerConfirmsOnceTheBoxIsClosed()
{
    StubPort* port = OpenWithStub();
    QVERIFY(port);
    State().connectPending = true;
    int connectedWhileShown = -1;
    prompter.onShow = [&](const FakePrompter::Box&) {
        connectedWhileShown = State().connected;
    };
    QVERIFY(!link->HandshakeAnswered());
    port->Deliver(FromHex("55 F0 00") + QByteArray(26, 0) + FromHex("F0 00"));
    QTRY_COMPARE(State().connected.load(), true);
    QCOMPARE(State().connectPending.load(), false);
    QCOMPARE(connectedWhileShown, 0);
    QVERIFY(link->HandshakeAnswered());
    QCOMPARE(prompter.Texts(), QStringList{"Connected Success!"});
    QCOMPARE(prompter.boxes[0].caption, promptCaption());
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
    State().storedRecordCount = quint16(storedCount);
    State().downloadBusy = true;
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
        QCOMPARE(State().downloadBusy.load(), true);
        return;
    }
    QVERIFY(watch.Expire());
    QCOMPARE(ShownBoxes(prompter),
             QStringList{BoxLine(text, Prompter::Ok, Prompter::Icon::Warning)});
    QCOMPARE(State().downloadBusy.load(), false);
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
