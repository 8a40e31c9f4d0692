#include "TestSupport.h"
#include "link/CommandFrame.h"

#include <QTest>

class TestCommandFrame : public QObject
{
    Q_OBJECT

private slots:
    void buildersGiveTheDocumentedBytes_data();
    void buildersGiveTheDocumentedBytes();
    void uploadFramesGiveTheDocumentedBytes_data();
    void uploadFramesGiveTheDocumentedBytes();
    void calibrationFloatIsLittleEndian();
    void calibrationKeepsThePreviousFramesPayload();
    void byteFifteenChangesOnlyCheckB();
};

namespace {
QByteArray Zeros(int n)
{
    return QByteArray(n, '\0');
}
} // namespace

void TestCommandFrame::buildersGiveTheDocumentedBytes_data()
{
    QTest::addColumn<std::function<void(CommandFrame&)>>("build");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("handshake") << std::function<void(CommandFrame&)>([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::Handshake);
    }) << FromHex("AA 0F 00") + Zeros(26) + FromHex("0F 00");
    QTest::newRow("record 300") << std::function<void(CommandFrame&)>([](CommandFrame& f) {
        f.RequestRecord(300);
    }) << FromHex("AA 0F 01 01 2C") + Zeros(24) + FromHex("23 00");
    QTest::newRow("threshold part 1 group 1")
        << std::function<void(CommandFrame&)>([](CommandFrame& f) { f.RequestThresholdPart1(1); })
        << FromHex("AA 0F 02 01") + Zeros(25) + FromHex("0C 00");
    QTest::newRow("threshold part 2 group 3")
        << std::function<void(CommandFrame&)>([](CommandFrame& f) { f.RequestThresholdPart2(3); })
        << FromHex("AA 0F 03 03") + Zeros(25) + FromHex("0F 00");
    QTest::newRow("threshold part 3 group 2")
        << std::function<void(CommandFrame&)>([](CommandFrame& f) { f.RequestThresholdPart3(2); })
        << FromHex("AA 0F BB 02") + Zeros(25) + FromHex("B6 00");
    QTest::newRow("delete current 5")
        << std::function<void(CommandFrame&)>([](CommandFrame& f) { f.DeleteCurrentRecord(5); })
        << FromHex("AA 0F 08 00 05") + Zeros(24) + FromHex("02 00");
    QTest::newRow("delete all") << std::function<void(CommandFrame&)>([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::DeleteAll);
    }) << FromHex("AA 0F 09") + Zeros(26) + FromHex("06 00");
}

void TestCommandFrame::buildersGiveTheDocumentedBytes()
{
    QFETCH(std::function<void(CommandFrame&)>, build);
    QFETCH(QByteArray, expected);

    CommandFrame frame;
    // Builders that clear must not carry anything over from an earlier frame.
    for (int i = 0; i < kFrameSize; ++i)
        frame[i] = 0x5A;
    build(frame);
    frame.Complete();
    QCOMPARE(ToHex(frame.ToByteArray()), ToHex(expected));
}

void TestCommandFrame::uploadFramesGiveTheDocumentedBytes_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QList<float>>("partOneLimits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("group 1 all zero")
        << 1 << QList<float>(6, 0.0f) << FromHex("AA 0F 06") + Zeros(24) + FromHex("0A 01 09 0B");
    QTest::newRow("group 1 -8 -27 -28")
        << 1 << QList<float>{-8, -27, -28, -8, -27, -28}
        << FromHex(
               "AA 0F 06 00 00 00 C1 00 00 D8 C1 00 00 E0 C1 00 00 00 C1 00 00 D8 C1 00 00 E0 C1 "
               "0A 01 F0 F2");
}

void TestCommandFrame::uploadFramesGiveTheDocumentedBytes()
{
    QFETCH(int, group);
    QFETCH(QList<float>, partOneLimits);
    QFETCH(QByteArray, expected);

    CommandFrame frame;
    frame.SetCode(MeterCode::UploadPart1);
    for (int i = 0; i < 6; ++i)
        frame.PutFloatLE(3 + 4 * i, partOneLimits[i]);
    frame[27] = 0x0A;
    frame[28] = static_cast<quint8>(group);
    frame.Complete();
    QCOMPARE(ToHex(frame.ToByteArray()), ToHex(expected));
}

void TestCommandFrame::calibrationFloatIsLittleEndian()
{
    CommandFrame frame;
    frame.ClearFrame();
    frame.SetCode(MeterCode::Calibrate);
    frame.PutFloatLE(16, -10.0f);
    frame[15] = CalibrationSelector::Ont1270;
    frame.Complete();
    const QByteArray bytes = frame.ToByteArray();
    QCOMPARE(ToHex(bytes.mid(15, 5)), QStringLiteral("08 00 00 20 C1"));
    QCOMPARE(quint8(bytes[29]), quint8(0x0F ^ 0x05));
    QCOMPARE(quint8(bytes[30]), quint8(0x08 ^ 0x20 ^ 0xC1));
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

void TestCommandFrame::byteFifteenChangesOnlyCheckB()
{
    CommandFrame frame;
    frame.ClearFrame();
    frame.SetCode(MeterCode::Calibrate);
    frame.Complete();
    const QByteArray before = frame.ToByteArray();
    frame[15] = CalibrationSelector::Factory;
    frame.Complete();
    const QByteArray after = frame.ToByteArray();
    QCOMPARE(after[29], before[29]);
    QCOMPARE(quint8(after[30]), quint8(before[30] ^ 0x04));
}

QTEST_GUILESS_MAIN(TestCommandFrame)
#include "tst_commandframe.moc"
