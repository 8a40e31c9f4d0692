// Record answers decoded field by field, and the seven texts a record shows as.
#include "TestSupport.h"
#include "data/MeasurementRecord.h"
#include "link/CommandFrame.h"
#include "link/ResponseFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>
#include <cmath>
#include <limits>

namespace {

// Index 4 of 12: 1310 nm -12.30, 1490 nm -20.50, 1577 nm -46.00, group 2, 2012-05-07 09:03,
// 1270 nm -39.00.
const char* const kRecordAnswer = "55 F0 01 CD CC 44 C1 00 00 A4 C1 00 00 38 C2 02 0C 05 07 09 "
                                  "03 00 04 00 0C 00 00 1C C2 F7 CD";

QByteArray RequestFor(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    frame.Complete();
    return frame.ToByteArray();
}

} // namespace

class TestMeasurementRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesEveryFieldFromItsOffset()
    {
        const QByteArray bytes = FromHex(QString::fromLatin1(kRecordAnswer));
        QVERIFY(ResponseFrame::IsRecognised(bytes));
        const auto record = MeasurementRecord::Decode(ResponseFrame(bytes));
        QVERIFY(record);
        QCOMPARE(record->index, 4);
        QCOMPARE(record->count, 12);
        QCOMPARE(record->ont1310, -12.30f);
        QCOMPARE(record->olt1490, -20.5f);
        QCOMPARE(record->olt1577, -46.0f);
        QCOMPARE(record->ont1270, -39.0f);
        QCOMPARE(record->thresholdGroup, 2);
        QCOMPARE(record->year, 12);
        QCOMPARE(record->month, 5);
        QCOMPARE(record->day, 7);
        QCOMPARE(record->hour, 9);
        QCOMPARE(record->minute, 3);
    }

    void decodesIndexAndCountBigEndian()
    {
        QByteArray bytes = FromHex(QString::fromLatin1(kRecordAnswer));
        bytes[21] = char(0x01);
        bytes[22] = char(0x02);
        bytes[23] = char(0xFF);
        bytes[24] = char(0x00);
        const auto record = MeasurementRecord::Decode(ResponseFrame(bytes));
        QVERIFY(record);
        QCOMPARE(record->index, 0x0102);
        QCOMPARE(record->count, 0xFF00);
    }

    void decodingNeedsBytesUpTo28_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("decoded");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("header only") << 3 << false;
        QTest::newRow("up to byte 27") << 28 << false;
        QTest::newRow("up to byte 28") << 29 << true;
        QTest::newRow("whole frame") << 31 << true;
    }
    void decodingNeedsBytesUpTo28()
    {
        QFETCH(int, length);
        QFETCH(bool, decoded);
        const QByteArray bytes = FromHex(QString::fromLatin1(kRecordAnswer)).first(length);
        const auto record = MeasurementRecord::Decode(ResponseFrame(bytes));
        QCOMPARE(record.has_value(), decoded);
        if (decoded)
            QCOMPARE(record->ont1270, -39.0f);
    }

    void rowTextsOfTheExampleAnswer()
    {
        const auto record =
            MeasurementRecord::Decode(ResponseFrame(FromHex(QString::fromLatin1(kRecordAnswer))));
        QVERIFY(record);
        const QStringList expected{"   5", "LOW", "   -12.30",    "   -20.50",
                                   "LOW",  "2",   "2012-5-7 9:03"};
        QCOMPARE(record->RowTexts(), expected);
    }

    void numberTextIsTheOneBasedIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::newRow("first") << 0 << "   1";
        QTest::newRow("fourth") << 3 << "   4";
        QTest::newRow("hundredth") << 99 << "   100";
        QTest::newRow("largest index") << 65535 << "   65536";
    }
    void numberTextIsTheOneBasedIndex()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        MeasurementRecord record;
        record.index = static_cast<quint16>(index);
        QCOMPARE(record.RowTexts().value(0), text);
    }

    void thresholdTextIsPlainDecimal_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("text");
        QTest::newRow("2") << 2 << "2";
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("255") << 255 << "255";
    }
    void thresholdTextIsPlainDecimal()
    {
        QFETCH(int, group);
        QFETCH(QString, text);
        MeasurementRecord record;
        record.thresholdGroup = static_cast<quint8>(group);
        QCOMPARE(record.RowTexts().value(5), text);
    }

    void powerText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("limit");
        QTest::addColumn<QString>("text");
        const float belowOntFloor = std::nextafter(-39.0f, -100.0f);
        const float aboveOntFloor = std::nextafter(-39.0f, 0.0f);
        QTest::newRow("ONT at floor") << -39.0f << ontLowLimit << "LOW";
        QTest::newRow("ONT just above floor") << -38.99f << ontLowLimit << "   -38.99";
        QTest::newRow("ONT one float below floor") << belowOntFloor << ontLowLimit << "LOW";
        QTest::newRow("ONT one float above floor") << aboveOntFloor << ontLowLimit << "   -39.00";
        QTest::newRow("-40 in ONT") << -40.0f << ontLowLimit << "LOW";
        QTest::newRow("-40 in OLT") << -40.0f << oltLowLimit << "   -40.00";
        QTest::newRow("OLT at floor") << -46.0f << oltLowLimit << "LOW";
        QTest::newRow("OLT below floor") << -60.0f << oltLowLimit << "LOW";
        QTest::newRow("positive") << 3.5f << oltLowLimit << "   3.50";
        QTest::newRow("zero") << 0.0f << ontLowLimit << "   0.00";
        QTest::newRow("rounds to two decimals") << -12.345f << ontLowLimit << "   -12.35";
        QTest::newRow("negative below a hundredth") << -0.001f << ontLowLimit << "   -0.00";
    }
    void powerText()
    {
        QFETCH(float, value);
        QFETCH(float, limit);
        QFETCH(QString, text);
        QCOMPARE(PowerText(value, limit), text);
    }

    void powerThatIsNotANumberIsShownAsANumber()
    {
        const QString text = PowerText(std::numeric_limits<float>::quiet_NaN(), ontLowLimit);
        QVERIFY2(text.startsWith(QLatin1String("   ")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("nan"), Qt::CaseInsensitive));
    }

    void dateTimeText_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("text");
        QTest::newRow("minute 3") << 12 << 5 << 7 << 9 << 3 << "2012-5-7 9:03";
        QTest::newRow("minute 45") << 12 << 5 << 7 << 9 << 45 << "2012-5-7 9:45";
        QTest::newRow("minute 5") << 23 << 11 << 30 << 23 << 5 << "2023-11-30 23:05";
        QTest::newRow("minute 10") << 23 << 11 << 30 << 23 << 10 << "2023-11-30 23:10";
        QTest::newRow("minute 0") << 23 << 1 << 1 << 0 << 0 << "2023-1-1 0:00";
        QTest::newRow("month, day, hour unpadded") << 24 << 1 << 2 << 3 << 59 << "2024-1-2 3:59";
        QTest::newRow("single-digit year follows 20") << 5 << 6 << 7 << 8 << 9 << "205-6-7 8:09";
        QTest::newRow("year 0") << 0 << 1 << 1 << 0 << 0 << "200-1-1 0:00";
        QTest::newRow("out of range shown as sent")
            << 12 << 13 << 32 << 25 << 75 << "2012-13-32 25:75";
        QTest::newRow("byte maxima") << 255 << 255 << 255 << 255 << 255 << "20255-255-255 255:255";
    }
    void dateTimeText()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QString, text);
        QCOMPARE(DateTimeText(static_cast<quint8>(year), static_cast<quint8>(month),
                              static_cast<quint8>(day), static_cast<quint8>(hour),
                              static_cast<quint8>(minute)),
                 text);
    }

    // The meter's encoder is written apart from this decoder: every field must survive the
    // round trip bit for bit.
    void decodesWhatTheMeterEncodes_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("seed 1") << 1u;
        QTest::newRow("seed 7") << 7u;
        QTest::newRow("seed 2024") << 2024u;
    }
    void decodesWhatTheMeterEncodes()
    {
        QFETCH(quint32, seed);
        MeterOptions options;
        options.records = 100;
        options.seed = seed;
        VirtualMeter meter(options);
        for (int i = 0; i < meter.Records().size(); ++i) {
            const QList<QByteArray> answers = meter.Receive(RequestFor(static_cast<quint16>(i)));
            QCOMPARE(answers.size(), 1);
            const auto record = MeasurementRecord::Decode(ResponseFrame(answers[0]));
            QVERIFY(record);
            const MeterRecord& stored = meter.Records()[i];
            QCOMPARE(record->index, i);
            QCOMPARE(record->count, meter.Records().size());
            QCOMPARE(record->ont1270, stored.ont1270);
            QCOMPARE(record->ont1310, stored.ont1310);
            QCOMPARE(record->olt1490, stored.olt1490);
            QCOMPARE(record->olt1577, stored.olt1577);
            QCOMPARE(record->thresholdGroup, stored.group);
            QCOMPARE(record->year, stored.year);
            QCOMPARE(record->month, stored.month);
            QCOMPARE(record->day, stored.day);
            QCOMPARE(record->hour, stored.hour);
            QCOMPARE(record->minute, stored.minute);
        }
    }
};

QTEST_GUILESS_MAIN(TestMeasurementRecord)
#include "tst_measurementrecord.moc"
