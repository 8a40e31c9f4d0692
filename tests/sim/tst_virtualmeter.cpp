#include "SimFrames.h"

#include <QTest>

namespace {

// The one answer to the command; empty when there is none or more.
QByteArray OnlyAnswer(VirtualMeter& meter, const QByteArray& command)
{
    const QList<QByteArray> answers = meter.Receive(command);
    return answers.size() == 1 ? answers.first() : QByteArray();
}

std::array<float, 4> Powers(const QByteArray& recordAnswer)
{
    const MeterRecord r = DecodedRecord(ResponseFrame(recordAnswer));
    return {r.ont1310, r.olt1490, r.olt1577, r.ont1270};
}

} // namespace

class TestVirtualMeter : public QObject
{
    Q_OBJECT

private slots:
    void answersEachValidFrameInTheStream_data();
    void answersEachValidFrameInTheStream();
    void answersAWholeSession_data();
    void answersAWholeSession();
    void calibrationShiftsServedPowers_data();
    void calibrationShiftsServedPowers();
    void frameLogListsEveryFrameInHex();
};

void TestVirtualMeter::answersEachValidFrameInTheStream_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("ignored"); // bytes before the handshake that draw no answer
    QTest::addColumn<int>("chunkSize");
    QTest::newRow("whole") << false << QByteArray() << 62;
    QTest::newRow("byte by byte") << false << QByteArray() << 1;
    QTest::newRow("junk, 7-byte chunks") << false << FromHex("00 13 0F AA 55 AA") << 7;
    QTest::newRow("cut-off frame, 5-byte chunks") << false << FromHex("AA 0F 01 00") << 5;
    QTest::newRow("wrong check byte first") << false << Flipped(kHandshake, 29) << 31;
    QTest::newRow("corrupt payload first") << false << Flipped(kHandshake, 20) << 10;
    QTest::newRow("record past the last") << false << RecordRequest(12) << 31;
    QTest::newRow("thresholds of group 4")
        << false << ThresholdRequest(MeterCode::ThresholdPart1, 4) << 31;
    QTest::newRow("silent meter") << true << QByteArray() << 62;
}

void TestVirtualMeter::answersEachValidFrameInTheStream()
{
    QFETCH(bool, silent);
    QFETCH(QByteArray, ignored);
    QFETCH(int, chunkSize);
    VirtualMeter meter({12, 1, silent});
    const QByteArray stream = ignored + kHandshake + RecordRequest(2);
    QList<QByteArray> answers;
    for (qsizetype at = 0; at < stream.size(); at += chunkSize)
        answers += meter.Receive(stream.mid(at, chunkSize));
    QCOMPARE(answers.size(), silent ? 1 : 2);
    if (!silent)
        QCOMPARE(answers.takeFirst(), kHandshakeAnswer);
    QVERIFY(ResponseFrame::IsRecognised(answers.first()));
    QCOMPARE(ResponseFrame(answers.first()).UInt16BE(21), 2);
}

void TestVirtualMeter::answersAWholeSession_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("default meter") << 12;
    QTest::newRow("one record") << 1;
    QTest::newRow("the most it holds") << 150;
    QTest::newRow("no records") << 0;
}

void TestVirtualMeter::answersAWholeSession()
{
    QFETCH(int, records);
    VirtualMeter meter({records, 5, false});
    RunSession([&meter](const QByteArray& command) { return OnlyAnswer(meter, command); }, meter);
}

void TestVirtualMeter::calibrationShiftsServedPowers_data()
{
    QTest::addColumn<int>("channel"); // VirtualMeter::Channel
    QTest::addColumn<float>("reference");
    QTest::newRow("ONT 1310 to -10") << int(VirtualMeter::Ont1310) << -10.0f;
    QTest::newRow("OLT 1490 to -3.5") << int(VirtualMeter::Olt1490) << -3.5f;
    QTest::newRow("OLT 1577 to -20.25") << int(VirtualMeter::Olt1577) << -20.25f;
    QTest::newRow("ONT 1270 to 0") << int(VirtualMeter::Ont1270) << 0.0f;
}

void TestVirtualMeter::calibrationShiftsServedPowers()
{
    QFETCH(int, channel);
    QFETCH(float, reference);
    const quint8 selectors[] = {CalibrationSelector::Ont1310, CalibrationSelector::Olt1490,
                                CalibrationSelector::Olt1577, CalibrationSelector::Ont1270};
    const int offsets[] = {3, 7, 11, 16};
    VirtualMeter meter({3, 11, false});
    const MeterRecord& raw = meter.Records()[2];
    const std::array<float, 4> factory{raw.ont1310, raw.olt1490, raw.olt1577, raw.ont1270};
    QCOMPARE(Powers(OnlyAnswer(meter, RecordRequest(2))), factory);

    CommandFrame frame;
    frame.RequestRecord(2); // the calibration frame is not cleared first
    frame.SetCode(MeterCode::Calibrate);
    frame.PutFloatLE(offsets[channel], reference);
    frame[15] = selectors[channel];
    QVERIFY(meter.Receive(Completed(frame)).isEmpty());
    std::array<float, 4> calibrated = factory;
    calibrated[channel] += reference - VirtualMeter::kCalibrationInput;
    QCOMPARE(Powers(OnlyAnswer(meter, RecordRequest(2))), calibrated);

    frame[15] = CalibrationSelector::Factory;
    QVERIFY(meter.Receive(Completed(frame)).isEmpty());
    QCOMPARE(Powers(OnlyAnswer(meter, RecordRequest(2))), factory);
}

void TestVirtualMeter::frameLogListsEveryFrameInHex()
{
    VirtualMeter meter;
    const QByteArray bad = Flipped(RecordRequest(1), 30);
    meter.Receive(kHandshake + bad);
    meter.Receive(RecordRequest(300));
    QCOMPARE(meter.FrameLog(),
             (QStringList{"AA 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                          "00 00 00 00 00 0F 00",
                          ToHex(bad) + " (bad check)", ToHex(RecordRequest(300))}));
}

QTEST_GUILESS_MAIN(TestVirtualMeter)
#include "tst_virtualmeter.moc"
