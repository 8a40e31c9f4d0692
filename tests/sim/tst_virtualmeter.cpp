#include "TestSupport.h"
#include "link/CommandFrame.h"
#include "link/MeterCodes.h"
#include "link/ResponseFrame.h"
#include "sim/SimOptions.h"
#include "sim/VirtualMeter.h"

#include <QDateTime>
#include <QTest>
#include <cstring>

namespace {

QByteArray Completed(CommandFrame& frame)
{
    frame.Complete();
    return frame.ToByteArray();
}

QByteArray Handshake()
{
    CommandFrame frame;
    frame.SetCode(MeterCode::Handshake);
    return Completed(frame);
}

QByteArray RecordRequest(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    return Completed(frame);
}

QByteArray ThresholdRequest(quint8 code, quint8 group)
{
    CommandFrame frame;
    frame.ClearFrame();
    frame.SetCode(code);
    frame[3] = group;
    return Completed(frame);
}

// The three upload frames of one group, built the way the threshold page builds them: on
// the one buffer, without clearing it, the name field holding the group number.
QList<QByteArray> UploadFrames(CommandFrame& frame, quint8 group, const std::array<float, 12>& l)
{
    QList<QByteArray> frames;
    frame.SetCode(MeterCode::UploadPart1);
    for (int i = 0; i < 6; ++i)
        frame.PutFloatLE(3 + 4 * i, l[i]);
    frame[27] = 0x0A;
    frame[28] = group;
    frames << Completed(frame);
    for (const quint8 code : {MeterCode::UploadPart2, MeterCode::UploadPart3}) {
        const int first = code == MeterCode::UploadPart2 ? 6 : 9;
        frame.SetCode(code);
        for (int i = 0; i < 3; ++i)
            frame.PutFloatLE(3 + 4 * i, l[first + i]);
        for (int i = 15; i <= 24; ++i)
            frame[i] = ' ';
        frame[15] = static_cast<quint8>('0' + group);
        frame[16] = 0;
        frame[27] = 0x0A;
        frame[28] = group;
        frames << Completed(frame);
    }
    return frames;
}

QByteArray CalibrationFrame(CommandFrame& frame, quint8 selector, int offset, float reference)
{
    frame.SetCode(MeterCode::Calibrate);
    if (selector != CalibrationSelector::Factory)
        frame.PutFloatLE(offset, reference);
    frame[15] = selector;
    return Completed(frame);
}

// The record the meter serves for index: the one answer to a record request.
ResponseFrame ServedRecord(VirtualMeter& meter, quint16 index)
{
    const QList<QByteArray> answers = meter.Receive(RecordRequest(index));
    return answers.size() == 1 ? ResponseFrame(answers.first()) : ResponseFrame();
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestVirtualMeter : public QObject
{
    Q_OBJECT

private slots:
    void answersHandshakeUnlessSilent_data();
    void answersHandshakeUnlessSilent();
    void servesEveryStoredRecord_data();
    void servesEveryStoredRecord();
    void requestsWithoutARecord_data();
    void requestsWithoutARecord();
    void recordAnswerFollowsTheByteLayout();
    void generatedRecordsAreRealisticAndRepeatable_data();
    void generatedRecordsAreRealisticAndRepeatable();
    void thresholdAnswersCarryTheGroups_data();
    void thresholdAnswersCarryTheGroups();
    void thresholdRequestsForOtherGroupsAreIgnored_data();
    void thresholdRequestsForOtherGroupsAreIgnored();
    void factoryGroupsAreWithinTheProgramsLimits();
    void uploadStoresTheGroup_data();
    void uploadStoresTheGroup();
    void uploadToAnUnknownGroupIsIgnored_data();
    void uploadToAnUnknownGroupIsIgnored();
    void deletesRecords_data();
    void deletesRecords();
    void calibrationShiftsServedPowers_data();
    void calibrationShiftsServedPowers();
    void framesWithWrongChecksAreIgnored_data();
    void framesWithWrongChecksAreIgnored();
    void findsFramesInAnyChunkingAfterJunk_data();
    void findsFramesInAnyChunkingAfterJunk();
    void frameLogListsEveryFrameInHex();
    void readsCommandLines_data();
    void readsCommandLines();
    void rejectsBadCommandLines_data();
    void rejectsBadCommandLines();
};

void TestVirtualMeter::answersHandshakeUnlessSilent_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("answered") << false
                              << QList<QByteArray>{FromHex("55 F0 00") + QByteArray(26, '\0') +
                                                   FromHex("F0 00")};
    QTest::newRow("silent") << true << QList<QByteArray>{};
}

void TestVirtualMeter::answersHandshakeUnlessSilent()
{
    QFETCH(bool, silent);
    QFETCH(QList<QByteArray>, expected);
    MeterOptions options;
    options.silent = silent;
    VirtualMeter meter(options);
    QCOMPARE(Handshake(), FromHex("AA 0F 00") + QByteArray(26, '\0') + FromHex("0F 00"));
    QCOMPARE(meter.Receive(Handshake()), expected);
}

void TestVirtualMeter::servesEveryStoredRecord_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("default meter") << 12 << 1u;
    QTest::newRow("one record") << 1 << 7u;
    QTest::newRow("a hundred") << 100 << 42u;
    QTest::newRow("more than the program takes") << 150 << 99u;
}

void TestVirtualMeter::servesEveryStoredRecord()
{
    QFETCH(int, records);
    QFETCH(quint32, seed);
    VirtualMeter meter({records, seed, false});
    QCOMPARE(meter.Records().size(), records);
    for (int i = 0; i < records; ++i) {
        const ResponseFrame answer = ServedRecord(meter, static_cast<quint16>(i));
        QVERIFY2(ResponseFrame::IsRecognised(answer.Bytes()), qPrintable(ToHex(answer.Bytes())));
        const MeterRecord& r = meter.Records()[i];
        QCOMPARE(answer.Code(), MeterCode::RequestRecord);
        QVERIFY(SameBits(answer.FloatLE(3), r.ont1310));
        QVERIFY(SameBits(answer.FloatLE(7), r.olt1490));
        QVERIFY(SameBits(answer.FloatLE(11), r.olt1577));
        QVERIFY(SameBits(answer.FloatLE(25), r.ont1270));
        QCOMPARE(answer.Byte(15), r.group);
        QCOMPARE(answer.Byte(16), r.year);
        QCOMPARE(answer.Byte(17), r.month);
        QCOMPARE(answer.Byte(18), r.day);
        QCOMPARE(answer.Byte(19), r.hour);
        QCOMPARE(answer.Byte(20), r.minute);
        QCOMPARE(answer.UInt16BE(21), i);
        QCOMPARE(answer.UInt16BE(23), records);
    }
}

void TestVirtualMeter::requestsWithoutARecord_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("answered");
    QTest::newRow("empty meter, index 0") << 0 << 0 << true;
    QTest::newRow("empty meter, index 7") << 0 << 7 << true;
    QTest::newRow("one past the last") << 3 << 3 << false;
    QTest::newRow("far past the last") << 3 << 300 << false;
}

void TestVirtualMeter::requestsWithoutARecord()
{
    QFETCH(int, records);
    QFETCH(int, index);
    QFETCH(bool, answered);
    VirtualMeter meter({records, 1, false});
    const QList<QByteArray> answers = meter.Receive(RecordRequest(static_cast<quint16>(index)));
    QCOMPARE(answers.size(), answered ? 1 : 0);
    if (!answered)
        return;
    const ResponseFrame answer(answers.first());
    QVERIFY(ResponseFrame::IsRecognised(answer.Bytes()));
    QCOMPARE(answer.UInt16BE(21), index);
    QCOMPARE(answer.UInt16BE(23), 0);
    QCOMPARE(answer.Bytes().mid(3, 18), QByteArray(18, '\0'));
}

void TestVirtualMeter::recordAnswerFollowsTheByteLayout()
{
    VirtualMeter meter;
    meter.SetRecords({{-8.0f, -27.0f, -28.0f, -10.0f, 2, 12, 5, 7, 9, 3}});
    // Powers little-endian at 3, 7, 11 and 25; group, date and time bytes; index 0 of 1.
    QCOMPARE(ToHex(meter.Receive(RecordRequest(0)).value(0)),
             "55 F0 01 00 00 00 C1 00 00 D8 C1 00 00 E0 C1 02 0C 05 07 09 03 00 00 00 01 "
             "00 00 20 C1 E6 08");
}

void TestVirtualMeter::generatedRecordsAreRealisticAndRepeatable_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1u;
    QTest::newRow("seed 2") << 2u;
    QTest::newRow("seed 12345") << 12345u;
}

void TestVirtualMeter::generatedRecordsAreRealisticAndRepeatable()
{
    QFETCH(quint32, seed);
    const QList<MeterRecord> records = VirtualMeter::GenerateRecords(150, seed);
    QCOMPARE(VirtualMeter({150, seed, false}).Records(), records);
    QCOMPARE(VirtualMeter::GenerateRecords(12, seed), records.first(12));
    QVERIFY(VirtualMeter::GenerateRecords(150, seed + 1) != records);

    bool lowOnt = false, lowOlt = false, shortMinute = false;
    QSet<int> groups;
    QDateTime previous;
    for (const MeterRecord& r : records) {
        for (float ont : {r.ont1310, r.ont1270}) {
            QVERIFY(ont >= -50.0f && ont <= -5.0f);
            lowOnt = lowOnt || ont <= -39.0f;
        }
        for (float olt : {r.olt1490, r.olt1577}) {
            QVERIFY(olt >= -50.0f && olt <= -5.0f);
            lowOlt = lowOlt || olt <= -46.0f;
        }
        groups.insert(r.group);
        shortMinute = shortMinute || r.minute < 10;
        QVERIFY(r.year >= 20 && r.year <= 26);
        const QDate date(2000 + r.year, r.month, r.day);
        QVERIFY(date.isValid());
        QVERIFY(r.hour < 24 && r.minute < 60);
        const QDateTime when(date, QTime(r.hour, r.minute));
        QVERIFY(!previous.isValid() || previous < when);
        previous = when;
    }
    QVERIFY(lowOnt);
    QVERIFY(lowOlt);
    QVERIFY(shortMinute);
    QCOMPARE(groups, (QSet<int>{1, 2, 3}));
}

void TestVirtualMeter::thresholdAnswersCarryTheGroups_data()
{
    QTest::addColumn<quint8>("code");
    QTest::addColumn<quint8>("group");
    for (quint8 group = 1; group <= 3; ++group) {
        for (const quint8 code :
             {MeterCode::ThresholdPart1, MeterCode::ThresholdPart2, MeterCode::ThresholdPart3})
            QTest::addRow("group %d, code %02X", group, code) << code << group;
    }
}

void TestVirtualMeter::thresholdAnswersCarryTheGroups()
{
    QFETCH(quint8, code);
    QFETCH(quint8, group);
    VirtualMeter meter;
    const QList<QByteArray> answers = meter.Receive(ThresholdRequest(code, group));
    QCOMPARE(answers.size(), 1);
    const ResponseFrame answer(answers.first());
    QVERIFY(ResponseFrame::IsRecognised(answer.Bytes()));
    QCOMPARE(answer.Code(), code);
    QCOMPARE(answer.Group(), group);

    const MeterThresholdGroup& expected = meter.Groups()[group - 1];
    const int first = code == MeterCode::ThresholdPart1   ? 0
                      : code == MeterCode::ThresholdPart2 ? 6
                                                          : 9;
    const int count = code == MeterCode::ThresholdPart1 ? 6 : 3;
    for (int i = 0; i < count; ++i)
        QCOMPARE(answer.FloatLE(3 + 4 * i), expected.limits[first + i]);
    if (code != MeterCode::ThresholdPart1)
        QCOMPARE(answer.Bytes().mid(15, 10), expected.name);
}

void TestVirtualMeter::thresholdRequestsForOtherGroupsAreIgnored_data()
{
    QTest::addColumn<quint8>("code");
    QTest::addColumn<quint8>("group");
    QTest::newRow("part 1, group 0") << MeterCode::ThresholdPart1 << quint8(0);
    QTest::newRow("part 2, group 4") << MeterCode::ThresholdPart2 << quint8(4);
    QTest::newRow("part 3, group 255") << MeterCode::ThresholdPart3 << quint8(255);
}

void TestVirtualMeter::thresholdRequestsForOtherGroupsAreIgnored()
{
    QFETCH(quint8, code);
    QFETCH(quint8, group);
    VirtualMeter meter;
    QVERIFY(meter.Receive(ThresholdRequest(code, group)).isEmpty());
    QCOMPARE(meter.ReceivedFrames().size(), 1);
}

void TestVirtualMeter::factoryGroupsAreWithinTheProgramsLimits()
{
    for (const MeterThresholdGroup& group : VirtualMeter::FactoryGroups()) {
        QCOMPARE(group.name.size(), 10);
        QVERIFY(group.name.front() != '\0' && group.name.back() == '\0');
        for (int channel = 0; channel < 4; ++channel) {
            const float over = group.limits[3 * channel];
            const float pass = group.limits[3 * channel + 1];
            const float fail = group.limits[3 * channel + 2];
            QVERIFY(over <= 30.0f && fail >= -65.0f);
            QVERIFY(over > pass && pass > fail);
        }
    }
}

void TestVirtualMeter::uploadStoresTheGroup_data()
{
    QTest::addColumn<quint8>("group");
    QTest::newRow("group 1") << quint8(1);
    QTest::newRow("group 2") << quint8(2);
    QTest::newRow("group 3") << quint8(3);
}

void TestVirtualMeter::uploadStoresTheGroup()
{
    QFETCH(quint8, group);
    VirtualMeter meter;
    std::array<float, 12> limits;
    for (int i = 0; i < 12; ++i)
        limits[i] = -1.25f * static_cast<float>(i + 1) - group;
    CommandFrame frame;
    frame.RequestRecord(0x1234); // leaves bytes 3 and 4 set, as a previous command does
    const QList<QByteArray> frames = UploadFrames(frame, group, limits);
    const quint8 codes[] = {MeterCode::UploadPart1, MeterCode::UploadPart2, MeterCode::UploadPart3};
    for (int part = 0; part < 3; ++part) {
        const QList<QByteArray> answers = meter.Receive(frames[part]);
        QCOMPARE(answers.size(), 1);
        const ResponseFrame ack(answers.first());
        QVERIFY(ResponseFrame::IsRecognised(ack.Bytes()));
        QCOMPARE(ack.Code(), codes[part]);
        QCOMPARE(ack.Group(), group);
        QCOMPARE(ack.Bytes().mid(3, 25), QByteArray(25, '\0'));
    }

    MeterThresholdGroup expected;
    expected.limits = limits;
    expected.name = QByteArray(1, char('0' + group)) + QByteArray(1, '\0') + QByteArray(8, ' ');
    auto groups = VirtualMeter::FactoryGroups();
    groups[group - 1] = expected;
    QCOMPARE(meter.Groups(), groups);

    // What went up comes back down.
    const ResponseFrame part3(meter.Receive(ThresholdRequest(MeterCode::ThresholdPart3, group))[0]);
    QCOMPARE(part3.FloatLE(11), limits[11]);
    QCOMPARE(part3.Bytes().mid(15, 10), expected.name);
}

void TestVirtualMeter::uploadToAnUnknownGroupIsIgnored_data()
{
    QTest::addColumn<quint8>("group");
    QTest::newRow("group 0") << quint8(0);
    QTest::newRow("group 4") << quint8(4);
}

void TestVirtualMeter::uploadToAnUnknownGroupIsIgnored()
{
    QFETCH(quint8, group);
    VirtualMeter meter;
    CommandFrame frame;
    for (const QByteArray& upload : UploadFrames(frame, group, {}))
        QVERIFY(meter.Receive(upload).isEmpty());
    QCOMPARE(meter.Groups(), VirtualMeter::FactoryGroups());
}

void TestVirtualMeter::deletesRecords_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<quint8>("code");
    QTest::addColumn<int>("remaining");
    QTest::newRow("current of 12") << 12 << MeterCode::DeleteCurrent << 11;
    QTest::newRow("current of 1") << 1 << MeterCode::DeleteCurrent << 0;
    QTest::newRow("current of none") << 0 << MeterCode::DeleteCurrent << 0;
    QTest::newRow("all of 12") << 12 << MeterCode::DeleteAll << 0;
    QTest::newRow("all of none") << 0 << MeterCode::DeleteAll << 0;
}

void TestVirtualMeter::deletesRecords()
{
    QFETCH(int, records);
    QFETCH(quint8, code);
    QFETCH(int, remaining);
    VirtualMeter meter({records, 5, false});
    const QList<MeterRecord> before = meter.Records();
    CommandFrame frame;
    if (code == MeterCode::DeleteCurrent) {
        frame.DeleteCurrentRecord(static_cast<qint16>(records));
    } else {
        frame.ClearFrame();
        frame.SetCode(code);
    }
    const QList<QByteArray> answers = meter.Receive(Completed(frame));
    QCOMPARE(answers.size(), 1);
    QVERIFY(ResponseFrame::IsRecognised(answers.first()));
    QCOMPARE(ResponseFrame(answers.first()).Code(), code);
    QCOMPARE(meter.Records(), before.first(remaining));
    QCOMPARE(ServedRecord(meter, 0).UInt16BE(23), remaining);
}

void TestVirtualMeter::calibrationShiftsServedPowers_data()
{
    QTest::addColumn<quint8>("selector");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("channel");
    QTest::addColumn<float>("reference");
    QTest::newRow("ONT 1310 to -10")
        << CalibrationSelector::Ont1310 << 3 << int(VirtualMeter::Ont1310) << -10.0f;
    QTest::newRow("OLT 1490 to -3.5")
        << CalibrationSelector::Olt1490 << 7 << int(VirtualMeter::Olt1490) << -3.5f;
    QTest::newRow("OLT 1577 to -20.25")
        << CalibrationSelector::Olt1577 << 11 << int(VirtualMeter::Olt1577) << -20.25f;
    QTest::newRow("ONT 1270 to 0")
        << CalibrationSelector::Ont1270 << 16 << int(VirtualMeter::Ont1270) << 0.0f;
}

void TestVirtualMeter::calibrationShiftsServedPowers()
{
    QFETCH(quint8, selector);
    QFETCH(int, offset);
    QFETCH(int, channel);
    QFETCH(float, reference);
    VirtualMeter meter({3, 11, false});
    const MeterRecord raw = meter.Records()[2];
    const auto powers = [](const ResponseFrame& answer) {
        return std::array<float, 4>{answer.FloatLE(3), answer.FloatLE(7), answer.FloatLE(11),
                                    answer.FloatLE(25)};
    };
    const std::array<float, 4> factory{raw.ont1310, raw.olt1490, raw.olt1577, raw.ont1270};
    QCOMPARE(powers(ServedRecord(meter, 2)), factory);

    CommandFrame frame;
    frame.RequestRecord(2); // the calibration frame is not cleared first
    QVERIFY(meter.Receive(CalibrationFrame(frame, selector, offset, reference)).isEmpty());
    const float shift = reference - VirtualMeter::kCalibrationInput;
    QCOMPARE(meter.CalibrationOffsets()[channel], shift);
    std::array<float, 4> calibrated = factory;
    calibrated[channel] = factory[channel] + shift;
    QCOMPARE(powers(ServedRecord(meter, 2)), calibrated);

    QVERIFY(meter.Receive(CalibrationFrame(frame, CalibrationSelector::Factory, 0, 0)).isEmpty());
    QCOMPARE(meter.CalibrationOffsets(), (std::array<float, 4>{}));
    QCOMPARE(powers(ServedRecord(meter, 2)), factory);
}

void TestVirtualMeter::framesWithWrongChecksAreIgnored_data()
{
    QTest::addColumn<int>("corrupted");
    QTest::newRow("check byte A") << 29;
    QTest::newRow("check byte B") << 30;
    QTest::newRow("payload byte 3") << 3;
    QTest::newRow("payload byte 20") << 20;
}

void TestVirtualMeter::framesWithWrongChecksAreIgnored()
{
    QFETCH(int, corrupted);
    VirtualMeter meter;
    QByteArray bad = Handshake();
    bad[corrupted] = static_cast<char>(bad[corrupted] ^ 0x40);
    const QList<QByteArray> answers = meter.Receive(bad + RecordRequest(4));
    QCOMPARE(answers.size(), 1);
    QCOMPARE(ResponseFrame(answers.first()).Code(), MeterCode::RequestRecord);
    QCOMPARE(ResponseFrame(answers.first()).UInt16BE(21), 4);
    QCOMPARE(meter.FrameLog(), (QStringList{ToHex(bad) + " (bad check)", ToHex(RecordRequest(4))}));
}

void TestVirtualMeter::findsFramesInAnyChunkingAfterJunk_data()
{
    QTest::addColumn<QByteArray>("junk");
    QTest::addColumn<int>("chunkSize");
    QTest::newRow("whole") << QByteArray() << 62;
    QTest::newRow("byte by byte") << QByteArray() << 1;
    QTest::newRow("junk, 7-byte chunks") << FromHex("00 13 0F AA 55 AA") << 7;
    QTest::newRow("cut-off frame, 5-byte chunks") << FromHex("AA 0F 01 00") << 5;
    QTest::newRow("junk, 30-byte chunks") << FromHex("FF AA AA 0F") << 30;
}

void TestVirtualMeter::findsFramesInAnyChunkingAfterJunk()
{
    QFETCH(QByteArray, junk);
    QFETCH(int, chunkSize);
    VirtualMeter meter;
    const QByteArray stream = junk + Handshake() + RecordRequest(2);
    QList<QByteArray> answers;
    for (qsizetype at = 0; at < stream.size(); at += chunkSize)
        answers += meter.Receive(stream.mid(at, chunkSize));
    QCOMPARE(answers.size(), 2);
    QCOMPARE(ResponseFrame(answers[0]).Code(), MeterCode::Handshake);
    QCOMPARE(ResponseFrame(answers[1]).Code(), MeterCode::RequestRecord);
    QCOMPARE(ResponseFrame(answers[1]).UInt16BE(21), 2);
}

void TestVirtualMeter::frameLogListsEveryFrameInHex()
{
    VirtualMeter meter;
    CommandFrame frame;
    const QByteArray calibration =
        CalibrationFrame(frame, CalibrationSelector::Ont1270, 16, -10.0f);
    meter.Receive(Handshake() + calibration);
    meter.Receive(RecordRequest(300));
    QCOMPARE(meter.FrameLog(),
             (QStringList{"AA 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                          "00 00 00 00 00 0F 00",
                          ToHex(calibration), ToHex(RecordRequest(300))}));
    // The calibration example: -10.0 as 00 00 20 C1 in bytes 16 to 19 and selector 8.
    QCOMPARE(calibration.mid(15, 5), FromHex("08 00 00 20 C1"));
}

void TestVirtualMeter::readsCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("records");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("pace");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("noise");
    QTest::addColumn<double>("drop");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("unplugAfter");
    QTest::addColumn<QString>("logFile");
    QTest::newRow("defaults") << QStringList{} << 12 << 1u << false << 0 << 0 << 0.0 << false << 0
                              << QString();
    QTest::newRow("everything")
        << QStringList{"--records", "150",      "--seed",         "4294967295", "--pace",
                       "--chunk",   "5",        "--noise",        "3",          "--drop",
                       "0.25",      "--silent", "--unplug-after", "4",          "--log",
                       "frames.txt"}
        << 150 << 4294967295u << true << 5 << 3 << 0.25 << true << 4 << "frames.txt";
    QTest::newRow("no records") << QStringList{"--records=0", "--drop=1"} << 0 << 1u << false << 0
                                << 0 << 1.0 << false << 0 << QString();
}

void TestVirtualMeter::readsCommandLines()
{
    QFETCH(QStringList, arguments);
    const SimCommandLine line = ParseSimCommandLine(QStringList{"qx390d-meter-sim"} + arguments);
    QCOMPARE(line.outcome, SimCommandLine::Run);
    const SimOptions& o = line.options;
    QTEST(o.meter.records, "records");
    QTEST(o.meter.seed, "seed");
    QTEST(o.pace, "pace");
    QTEST(o.chunk, "chunk");
    QTEST(o.noise, "noise");
    QTEST(o.drop, "drop");
    QTEST(o.meter.silent, "silent");
    QTEST(o.unplugAfter, "unplugAfter");
    QTEST(o.logFile, "logFile");
}

void TestVirtualMeter::rejectsBadCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("too many records") << QStringList{"--records", "151"};
    QTest::newRow("negative records") << QStringList{"--records", "-1"};
    QTest::newRow("records not a number") << QStringList{"--records", "x"};
    QTest::newRow("seed too large") << QStringList{"--seed", "4294967296"};
    QTest::newRow("empty chunk") << QStringList{"--chunk", "0"};
    QTest::newRow("negative noise") << QStringList{"--noise", "-2"};
    QTest::newRow("drop above one") << QStringList{"--drop", "1.5"};
    QTest::newRow("drop not a number") << QStringList{"--drop", "nan"};
    QTest::newRow("unplug at frame 0") << QStringList{"--unplug-after", "0"};
    QTest::newRow("value missing") << QStringList{"--log"};
    QTest::newRow("unknown option") << QStringList{"--baud", "9600"};
    QTest::newRow("stray argument") << QStringList{"/dev/ttyACM0"};
}

void TestVirtualMeter::rejectsBadCommandLines()
{
    QFETCH(QStringList, arguments);
    const SimCommandLine line = ParseSimCommandLine(QStringList{"qx390d-meter-sim"} + arguments);
    QCOMPARE(line.outcome, SimCommandLine::Error);
    QVERIFY(!line.message.isEmpty());
}

QTEST_GUILESS_MAIN(TestVirtualMeter)
#include "tst_virtualmeter.moc"
