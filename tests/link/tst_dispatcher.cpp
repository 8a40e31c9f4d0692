#include "TestSupport.h"
#include "link/AwaitedAnswer.h"
#include "link/LinkState.h"
#include "link/MeterMessage.h"
#include "link/ResponseDispatcher.h"
#include "protocol/CommandFrame.h"
#include "protocol/MeterCodes.h"

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

QByteArray Sent(void (*build)(CommandFrame&))
{
    CommandFrame f;
    build(f);
    f.Complete();
    return f.ToByteArray();
}

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void actsOnEachAnswer_data();
    void actsOnEachAnswer();
    void anExchangeAcceptsOnlyTheAnswerItAwaits_data();
    void anExchangeAcceptsOnlyTheAnswerItAwaits();
};

void TestDispatcher::actsOnEachAnswer_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("uploadGroup"); // of the upload frame an acknowledgment answers
    QTest::addColumn<int>("storedBefore");
    QTest::addColumn<QList<DispatchAction>>("expected");

    const auto f = [](quint8 code, quint8 group = 0) {
        return Frame(code, group);
    };
    QTest::newRow("handshake") << f(0x00) << 0 << 0
                               << QList<DispatchAction>{Show("Connected Success!"),
                                                        {DispatchAction::Kind::ConfirmConnection}};
    QTest::newRow("record") << f(0x01) << 0 << 0
                            << QList<DispatchAction>{Post(Kind::Record, f(0x01))};
    QTest::newRow("threshold part 1 of group 1")
        << f(0x02, 1) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart1, f(0x02, 1)), Request(0x03, 1)};
    QTest::newRow("threshold part 2 of group 2")
        << f(0x03, 2) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart2, f(0x03, 2)), Request(0xBB, 2)};
    QTest::newRow("threshold part 3 of group 1")
        << f(0xBB, 1) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 1)), Request(0x02, 2)};
    QTest::newRow("threshold part 3 of group 2")
        << f(0xBB, 2) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 2)), Request(0x02, 3)};
    QTest::newRow("threshold part 3 of group 3 ends the download")
        << f(0xBB, 3) << 0 << 0
        << QList<DispatchAction>{Post(Kind::ThresholdPart3, f(0xBB, 3)),
                                 Show("DownLoad Threshold Complete!")};
    // An upload's acknowledgments are known by their code; the group is the one sent.
    QTest::newRow("upload part 1 acknowledged, group 1")
        << f(0x06) << 1 << 0 << QList<DispatchAction>{Post(Kind::UploadPart2, 1)};
    QTest::newRow("upload part 1 acknowledged, group 3")
        << f(0x06, 1) << 3 << 0 << QList<DispatchAction>{Post(Kind::UploadPart2, 3)};
    QTest::newRow("upload part 2 acknowledged, group 2")
        << f(0x07) << 2 << 0 << QList<DispatchAction>{Post(Kind::UploadPart3, 2)};
    QTest::newRow("upload group 1 acknowledged")
        << f(0xCC) << 1 << 0 << QList<DispatchAction>{Post(Kind::UploadNextGroup, 2)};
    QTest::newRow("upload group 2 acknowledged")
        << f(0xCC) << 2 << 0 << QList<DispatchAction>{Post(Kind::UploadNextGroup, 3)};
    QTest::newRow("upload group 3 acknowledged")
        << f(0xCC) << 3 << 0 << QList<DispatchAction>{Show("UpLoad Threshold Complete!")};
    QTest::newRow("delete current")
        << f(0x08) << 0 << 12 << QList<DispatchAction>{Post(Kind::RecordDeleted, 12)};
    QTest::newRow("delete current, count above 32767")
        << f(0x08) << 0 << 40000 << QList<DispatchAction>{Post(Kind::RecordDeleted, 40000)};
    QTest::newRow("delete all") << f(0x09) << 0 << 12
                                << QList<DispatchAction>{Post(Kind::RecordDeleted, 0)};
    QTest::newRow("calibration answer ignored") << f(0x05) << 1 << 3 << QList<DispatchAction>{};
    QTest::newRow("unknown code ignored") << f(0x42) << 0 << 0 << QList<DispatchAction>{};
}

void TestDispatcher::actsOnEachAnswer()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, uploadGroup);
    QFETCH(int, storedBefore);
    QFETCH(QList<DispatchAction>, expected);

    LinkState state;
    state.storedRecordCount = quint16(storedBefore);
    ResponseDispatcher dispatcher(state);
    const QList<DispatchAction> actions = dispatcher.Dispatch(frame, quint8(uploadGroup));
    QCOMPARE(actions.size(), expected.size());
    for (qsizetype i = 0; i < actions.size(); ++i)
        QVERIFY2(actions[i] == expected[i], qPrintable(QStringLiteral("action %1").arg(i)));
    // The dispatcher itself never touches the connection state; the reception thread does
    // so only after the box is closed.
    QCOMPARE(state.connected.load(), false);
}

// A request of a download or an upload waits for one answer: its own code, and for a record
// its index, for a threshold part its group. The handshake, the deletes and calibration wait
// for nothing.
void TestDispatcher::anExchangeAcceptsOnlyTheAnswerItAwaits_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("awaited"); // the request waits for an answer at all
    QTest::addColumn<bool>("accepted");

    QByteArray record3(kFrameSize - 3, '\0');
    record3[22 - 3] = 3;
    const QByteArray recordAnswer3 = AnswerFrame(MeterCode::RequestRecord, record3);
    const auto request3 = Sent([](CommandFrame& f) { f.RequestRecord(3); });
    QTest::newRow("record 3 answers its request") << request3 << recordAnswer3 << true << true;
    QTest::newRow("record 3 does not answer the request for 0")
        << Sent([](CommandFrame& f) { f.RequestRecord(0); }) << recordAnswer3 << true << false;
    QTest::newRow("index 259 is read whole")
        << Sent([](CommandFrame& f) { f.RequestRecord(259); }) << recordAnswer3 << true << false;
    QTest::newRow("threshold part 2 of group 2 answers its request")
        << Sent([](CommandFrame& f) { f.RequestThresholdPart2(2); })
        << AnswerFrame(MeterCode::ThresholdPart2, {}, 2) << true << true;
    QTest::newRow("of another group it does not")
        << Sent([](CommandFrame& f) { f.RequestThresholdPart2(2); })
        << AnswerFrame(MeterCode::ThresholdPart2, {}, 1) << true << false;
    QTest::newRow("nor of another part")
        << Sent([](CommandFrame& f) { f.RequestThresholdPart2(2); })
        << AnswerFrame(MeterCode::ThresholdPart3, {}, 2) << true << false;
    const auto upload = [](quint8 code, quint8 group) {
        CommandFrame f;
        f.SetCode(code);
        f[28] = group;
        f.Complete();
        return f.ToByteArray();
    };
    QTest::newRow("an upload part is acknowledged by its code")
        << upload(MeterCode::UploadPart3, 2) << AnswerFrame(MeterCode::UploadPart3) << true << true;
    QTest::newRow("not by another part's")
        << upload(MeterCode::UploadPart3, 2) << AnswerFrame(MeterCode::UploadPart1, {}, 2) << true
        << false;
    QTest::newRow("a record answer to an upload")
        << upload(MeterCode::UploadPart1, 1) << recordAnswer3 << true << false;
    QTest::newRow("a short copy answers nothing")
        << request3 << recordAnswer3.first(30) << true << false;
    QTest::newRow("the handshake awaits no exchange answer")
        << Sent([](CommandFrame& f) { f.SetCode(MeterCode::Handshake); }) << recordAnswer3 << false
        << false;
    QTest::newRow("nor does a delete") << Sent([](CommandFrame& f) { f.DeleteCurrentRecord(3); })
                                       << recordAnswer3 << false << false;
}

void TestDispatcher::anExchangeAcceptsOnlyTheAnswerItAwaits()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(bool, awaited);
    QFETCH(bool, accepted);
    const std::optional<AwaitedAnswer> waiting = AwaitedAnswer::Of(request);
    QCOMPARE(waiting.has_value(), awaited);
    QCOMPARE(waiting && waiting->IsAnsweredBy(answer), accepted);
    QVERIFY(AwaitedAnswer::ExchangeOf(quint8(answer[2])).has_value());
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
