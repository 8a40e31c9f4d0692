#include "TestSupport.h"
#include "protocol/CommandFrame.h"

#include <QTest>

using Build = std::function<void(CommandFrame&)>;

class TestCommandFrame : public QObject
{
    Q_OBJECT

private slots:
    void framesGiveTheDocumentedBytes_data();
    void framesGiveTheDocumentedBytes();
    void calibrationKeepsThePreviousFramesPayload();
};

namespace {

QByteArray Zeros(int n)
{
    return QByteArray(n, '\0');
}

// Part 1 of an upload of group 1 with the six limits given, written over a cleared frame.
Build UploadPartOne(QList<float> limits)
{
    return [limits](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::UploadPart1);
        for (int i = 0; i < 6; ++i)
            f.PutFloatLE(3 + 4 * i, limits[i]);
        f[27] = 0x0A;
        f[28] = 1;
    };
}

} // namespace

void TestCommandFrame::framesGiveTheDocumentedBytes_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("handshake") << Build([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::Handshake);
    }) << FromHex("AA 0F 00") + Zeros(26) + FromHex("0F 00");
    QTest::newRow("record 300") << Build([](CommandFrame& f) { f.RequestRecord(300); })
                                << FromHex("AA 0F 01 01 2C") + Zeros(24) + FromHex("23 00");
    QTest::newRow("threshold part 1 group 1")
        << Build([](CommandFrame& f) { f.RequestThresholdPart1(1); })
        << FromHex("AA 0F 02 01") + Zeros(25) + FromHex("0C 00");
    QTest::newRow("threshold part 2 group 3")
        << Build([](CommandFrame& f) { f.RequestThresholdPart2(3); })
        << FromHex("AA 0F 03 03") + Zeros(25) + FromHex("0F 00");
    QTest::newRow("threshold part 3 group 2")
        << Build([](CommandFrame& f) { f.RequestThresholdPart3(2); })
        << FromHex("AA 0F BB 02") + Zeros(25) + FromHex("B6 00");
    QTest::newRow("delete current 5") << Build([](CommandFrame& f) { f.DeleteCurrentRecord(5); })
                                      << FromHex("AA 0F 08 00 05") + Zeros(24) + FromHex("02 00");
    QTest::newRow("delete all") << Build([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::DeleteAll);
    }) << FromHex("AA 0F 09") + Zeros(26) + FromHex("06 00");
    QTest::newRow("upload group 1, all zero")
        << UploadPartOne(QList<float>(6, 0.0f))
        << FromHex("AA 0F 06") + Zeros(24) + FromHex("0A 01 09 0B");
    QTest::newRow("upload group 1, -8 -27 -28")
        << UploadPartOne({-8, -27, -28, -8, -27, -28})
        << FromHex("AA 0F 06 00 00 00 C1 00 00 D8 C1 00 00 E0 C1 00 00 00 C1 00 00 D8 C1 00 00 E0 "
                   "C1 0A 01 F0 F2");
    // The float goes least significant byte first; byte 15 counts in check B, not A.
    QTest::newRow("calibrate 1270 nm at -10") << Build([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::Calibrate);
        f.PutFloatLE(16, -10.0f);
        f[15] = CalibrationSelector::Ont1270;
    }) << FromHex("AA 0F 05") + Zeros(12) + FromHex("08 00 00 20 C1") + Zeros(9) + FromHex("0A E9");
    QTest::newRow("factory default") << Build([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::Calibrate);
        f[15] = CalibrationSelector::Factory;
    }) << FromHex("AA 0F 05") + Zeros(12) + FromHex("04") + Zeros(13) + FromHex("0A 04");
}

void TestCommandFrame::framesGiveTheDocumentedBytes()
{
    QFETCH(Build, build);
    QFETCH(QByteArray, expected);

    CommandFrame frame;
    // Builders that clear must not carry anything over from an earlier frame.
    for (int i = 0; i < kFrameSize; ++i)
        frame[i] = 0x5A;
    build(frame);
    frame.Complete();
    QCOMPARE(ToHex(frame.ToByteArray()), ToHex(expected));
}

void TestCommandFrame::calibrationKeepsThePreviousFramesPayload()
{
    // Part 2 of an upload of group 2 following an all-zero part 1, then a calibration of the
    // 1310 nm channel that writes only bytes 1..6 and 15.
    CommandFrame frame;
    frame.ClearFrame();
    frame.SetCode(MeterCode::UploadPart2);
    for (int i = 15; i <= 24; ++i)
        frame[i] = 0x20;
    frame[15] = '2';
    frame[16] = 0;
    frame[27] = 0x0A;
    frame[28] = 2;
    frame.Complete();
    QCOMPARE(ToHex(frame.ToByteArray().mid(15)),
             QStringLiteral("32 00 20 20 20 20 20 20 20 20 00 00 0A 02 08 3A"));

    frame.SetCode(MeterCode::Calibrate);
    frame.PutFloatLE(3, -10.0f);
    frame[15] = CalibrationSelector::Ont1310;
    frame.Complete();
    const QByteArray bytes = frame.ToByteArray();
    QCOMPARE(ToHex(bytes.mid(15, 14)), QStringLiteral("01 00 20 20 20 20 20 20 20 20 00 00 0A 02"));
    QCOMPARE(quint8(bytes[30]), quint8(0x01 ^ 0x0A ^ 0x02));
}

QTEST_GUILESS_MAIN(TestCommandFrame)
#include "tst_commandframe.moc"
