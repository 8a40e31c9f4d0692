#include "link/LinkState.h"
#include "link/MeterCodes.h"
#include "link/MeterMessage.h"
#include "link/ResponseDispatcher.h"

#include <QTest>

namespace {

QByteArray Frame(quint8 code, quint8 group = 0)
{
    QByteArray f(kFrameSize, '\0');
    f[0] = char(0x55);
    f[1] = char(0xF0);
    f[2] = char(code);
    f[28] = char(group);
    return f;
}

using Kind = MeterMessage::Kind;

DispatchAction Post(Kind kind, const QByteArray& copy)
{
    return DispatchAction::PostCopy(kind, copy);
}

DispatchAction Post(Kind kind, int param)
{
    return DispatchAction::PostParam(kind, param);
}

const auto Request = &DispatchAction::Request;
const auto Show = &DispatchAction::Show;

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void actsOnEachAnswer_data();
    void actsOnEachAnswer();
    void uploadCounterRunsZeroOneTwoZero();
    void anUploadStartCountsAfresh();
};

void TestDispatcher::actsOnEachAnswer_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("counterBefore");
    QTest::addColumn<int>("storedBefore");
    QTest::addColumn<QList<DispatchAction>>("expected");
    QTest::addColumn<int>("counterAfter");

    const auto f = [](quint8 code, quint8 group = 0) {
        return Frame(code, group);
    };
    QTest::newRow("handshake") << f(0x00) << 0 << 0
                               << QList<DispatchAction>{Show("Connected Success!"),
                                                        {DispatchAction::Kind::ConfirmConnection}}
                               << 0;
    QTest::newRow("record") << f(0x01) << 0 << 0
                            << QList<DispatchAction>{Post(Kind::Record, f(0x01))} << 0;
    QTest::newRow("threshold part 1 of group 1")
        << f(0x02, 1) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart1, f(0x02, 1)), Request(0x03, 1)} << 0;
    QTest::newRow("threshold part 2 of group 2")
        << f(0x03, 2) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart2, f(0x03, 2)), Request(0xBB, 2)} << 0;
    QTest::newRow("threshold part 3 of group 1")
        << f(0xBB, 1) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 1)), Request(0x02, 2)} << 0;
    QTest::newRow("threshold part 3 of group 2")
        << f(0xBB, 2) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 2)), Request(0x02, 3)} << 0;
    QTest::newRow("threshold part 3 of group 3 ends the download")
        << f(0xBB, 3) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 3)),
                                 Show("DownLoad Threshold Complete!")}
        << 0;
    QTest::newRow("upload part 1 acknowledged, group 1")
        << f(0x06) << 0 << 0 << QList<DispatchAction>{Post(Kind::UploadPart2, 1)} << 0;
    QTest::newRow("upload part 1 acknowledged, group 3")
        << f(0x06) << 2 << 0 << QList<DispatchAction>{Post(Kind::UploadPart2, 3)} << 2;
    QTest::newRow("upload part 2 acknowledged, group 2")
        << f(0x07) << 1 << 0 << QList<DispatchAction>{Post(Kind::UploadPart3, 2)} << 1;
    QTest::newRow("upload group 1 acknowledged")
        << f(0xCC) << 0 << 0 << QList<DispatchAction>{Post(Kind::UploadNextGroup, 2)} << 1;
    QTest::newRow("upload group 2 acknowledged")
        << f(0xCC) << 1 << 0 << QList<DispatchAction>{Post(Kind::UploadNextGroup, 3)} << 2;
    QTest::newRow("upload group 3 acknowledged")
        << f(0xCC) << 2 << 0 << QList<DispatchAction>{Show("UpLoad Threshold Complete!")} << 0;
    QTest::newRow("delete current")
        << f(0x08) << 0 << 12 << QList<DispatchAction>{Post(Kind::RecordDeleted, 12)} << 0;
    QTest::newRow("delete current, negative count widened")
        << f(0x08) << 0 << -1 << QList<DispatchAction>{Post(Kind::RecordDeleted, -1)} << 0;
    QTest::newRow("delete all") << f(0x09) << 0 << 12
                                << QList<DispatchAction>{Post(Kind::RecordDeleted, 0)} << 0;
    QTest::newRow("calibration answer ignored")
        << f(0x05) << 1 << 3 << QList<DispatchAction>{} << 1;
    QTest::newRow("unknown code ignored") << f(0x42) << 0 << 0 << QList<DispatchAction>{} << 0;
}

void TestDispatcher::actsOnEachAnswer()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, counterBefore);
    QFETCH(int, storedBefore);
    QFETCH(QList<DispatchAction>, expected);
    QFETCH(int, counterAfter);

    LinkState state;
    state.storedRecordCount = qint16(storedBefore);
    ResponseDispatcher dispatcher(state);
    // The meter acknowledged that many groups of an upload.
    for (int i = 0; i < counterBefore; ++i)
        dispatcher.Dispatch(Frame(0xCC));
    QCOMPARE(dispatcher.UploadGroupCounter(), counterBefore);
    const QList<DispatchAction> actions = dispatcher.Dispatch(frame);
    QCOMPARE(actions.size(), expected.size());
    for (qsizetype i = 0; i < actions.size(); ++i)
        QVERIFY2(actions[i] == expected[i], qPrintable(QStringLiteral("action %1").arg(i)));
    QCOMPARE(dispatcher.UploadGroupCounter(), counterAfter);
    // The dispatcher itself never touches the connection state; the reception thread does
    // so only after the box is closed.
    QCOMPARE(state.connected.load(), false);
}

void TestDispatcher::uploadCounterRunsZeroOneTwoZero()
{
    const LinkState state;
    ResponseDispatcher dispatcher(state);
    QList<int> seen{dispatcher.UploadGroupCounter()};
    QList<int> groupsAsked;
    for (int group = 1; group <= 3; ++group) {
        QCOMPARE(dispatcher.Dispatch(Frame(0x06)).first().message.param, group);
        QCOMPARE(dispatcher.Dispatch(Frame(0x07)).first().message.param, group);
        const QList<DispatchAction> acks = dispatcher.Dispatch(Frame(0xCC));
        if (acks.first().kind == DispatchAction::Kind::Post)
            groupsAsked << acks.first().message.param;
        seen << dispatcher.UploadGroupCounter();
    }
    QCOMPARE(seen, (QList<int>{0, 1, 2, 0}));
    QCOMPARE(groupsAsked, (QList<int>{2, 3}));
}

// An upload that broke off after its first group does not skew the next one.
void TestDispatcher::anUploadStartCountsAfresh()
{
    const LinkState state;
    ResponseDispatcher dispatcher(state);
    dispatcher.Dispatch(Frame(0xCC));
    dispatcher.StartUpload();
    QCOMPARE(dispatcher.Dispatch(Frame(0x06)), QList<DispatchAction>{Post(Kind::UploadPart2, 1)});
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
