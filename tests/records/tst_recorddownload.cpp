// Record answers as the download turns them into table rows: the texts of a row, where it
// goes, the next request, the end of a download, answers without data, delete acknowledgments.
#include "ShownBoxes.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "protocol/MeterCodes.h"
#include "records/RecordDownload.h"
#include "records/RecordTable.h"

#include <QTest>
#include <QtEndian>
#include <cmath>
#include <limits>

namespace {

// Field offsets within a record answer.
constexpr int P1310 = 3, P1490 = 7, P1577 = 11, Group = 15, Date = 16, Index = 21, P1270 = 25;

template <typename T> QByteArray Raw(T value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}
const auto Le = [](float value) {
    return Raw(qToLittleEndian(value));
};

// Every power -10 dBm, group 1, 2024-1-1 0:00; then `patch` written at `offset`.
QByteArray Answer(quint16 index, quint16 count, int offset = 0, const QByteArray& patch = {})
{
    QByteArray payload(26, '\0');
    const auto put = [&payload](int at, const QByteArray& bytes) {
        payload.replace(at - 3, bytes.size(), bytes);
    };
    for (int at : {P1310, P1490, P1577, P1270})
        put(at, Le(-10.0f));
    put(Group, FromHex("01 18 01 01 00 00"));
    put(Index, Raw(qToBigEndian(index)) + Raw(qToBigEndian(count)));
    if (!patch.isEmpty())
        put(offset, patch);
    return AnswerFrame(MeterCode::RequestRecord, payload);
}

const QStringList kDefaultRow{"   1",      "   -10.00", "   -10.00",    "   -10.00",
                              "   -10.00", "1",         "2024-1-1 0:00"};
const QString kComplete = QStringLiteral("DownLoad Data Complete!");
const QString kNoData = QStringLiteral("Have no data can be download!");
const QList<quint16> kNone;

// Row numbers "   <from>" to "   <to>".
QStringList Numbers(int from, int to)
{
    QStringList texts;
    for (int n = from; n <= to; ++n)
        texts << QStringLiteral("   %1").arg(n);
    return texts;
}

void Fill(RecordTable& table, int rows)
{
    for (int r = 0; r < rows; ++r)
        table.InsertRow(r, QString::number(r));
}

QStringList FirstColumn(const RecordTable& table)
{
    QStringList texts;
    for (int r = 0; r < table.RowCount(); ++r)
        texts << table.CellText(r, 0);
    return texts;
}

} // namespace

class TestRecordDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        download.reset();
        link = std::make_unique<DeviceLink>();
        prompter = FakePrompter();
        sent.clear();
        table.RemoveAllRows();
        download = std::make_unique<RecordDownload>(*link, table, prompter, nullptr,
                                                    [this](quint16 index) { sent << index; });
        busyWhileShown = -1;
        prompter.onShow = [this](const FakePrompter::Box&) {
            busyWhileShown = State().downloadBusy;
        };
    }

    // One field changed from the default answer; only its column may change. A power at or
    // below its floor (single precision, no rounding first) is "LOW"; only the minute is
    // padded; the 1270 nm power comes from bytes 25-28.
    void rowTextsOfAnAnswer_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const float aboveOnt = std::nextafter(-39.0f, 0.0f);
        const float aboveOlt = std::nextafter(-46.0f, 0.0f);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("1270 ONT floor") << P1270 << Le(-39.0f) << 1 << "LOW";
        QTest::newRow("1270 above floor") << P1270 << Le(aboveOnt) << 1 << "   -39.00";
        QTest::newRow("1310 -38.99") << P1310 << Le(-38.99f) << 2 << "   -38.99";
        QTest::newRow("1310 -40") << P1310 << Le(-40.0f) << 2 << "LOW";
        QTest::newRow("1490 -40") << P1490 << Le(-40.0f) << 3 << "   -40.00";
        QTest::newRow("1490 OLT floor") << P1490 << Le(-46.0f) << 3 << "LOW";
        QTest::newRow("1577 OLT floor") << P1577 << Le(-46.0f) << 4 << "LOW";
        QTest::newRow("1577 above floor") << P1577 << Le(aboveOlt) << 4 << "   -46.00";
        QTest::newRow("NaN") << P1310 << Le(nan) << 2 << "   nan";
        QTest::newRow("rounded") << P1577 << Le(3.456f) << 4 << "   3.46";
        QTest::newRow("No. big-endian") << Index << FromHex("01 02") << 0 << "   259";
        QTest::newRow("group") << Group << FromHex("FF") << 5 << "255";
        QTest::newRow("minute 5") << Date << FromHex("0C 05 07 09 05") << 6 << "2012-5-7 9:05";
        QTest::newRow("minute 10") << Date << FromHex("17 0B 1E 17 0A") << 6 << "2023-11-30 23:10";
        QTest::newRow("year 5") << Date << FromHex("05 01 02 03 00") << 6 << "205-1-2 3:00";
    }
    void rowTextsOfAnAnswer()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, patch);
        QFETCH(int, column);
        QFETCH(QString, text);
        download->OnMeterRecord(Answer(0, 1, offset, patch));
        QCOMPARE(table.RowCount(), 1);
        for (int c = 0; c < table.ColumnCount(); ++c)
            QCOMPARE(table.CellText(0, c), c == column ? text : kDefaultRow[c]);
    }

    // Every request is answered as it is made. Index 0 starts the table afresh; a record
    // takes the row of its index (after the last row when rows before it are missing); an
    // index at or past the count ends the download.
    void answersFillTheTable_data()
    {
        QTest::addColumn<int>("oldRows");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QList<quint16>>("requests");
        QTest::addColumn<QString>("box");
        QList<quint16> upTo99;
        for (quint16 i = 1; i < 100; ++i)
            upTo99 << i;
        QTest::newRow("one record") << 0 << 0 << 1 << Numbers(1, 1) << kNone << kComplete;
        QTest::newRow("100 records") << 0 << 0 << 100 << Numbers(1, 100) << upTo99 << kComplete;
        QTest::newRow("index 0 over an older table")
            << 7 << 0 << 3 << Numbers(1, 3) << QList<quint16>{1, 2} << kComplete;
        QTest::newRow("index 3 replaces row 3 and after")
            << 5 << 3 << 5 << QStringList{"0", "1", "2"} + Numbers(4, 5) << QList<quint16>{4}
            << kComplete;
        QTest::newRow("index 2 behind two rows")
            << 2 << 2 << 4 << QStringList{"0", "1"} + Numbers(3, 4) << QList<quint16>{3}
            << kComplete;
        QTest::newRow("index + 1 > count")
            << 2 << 7 << 5 << QStringList{"0", "1"} + Numbers(8, 8) << kNone << kComplete;
        QTest::newRow("count 101") << 3 << 0 << 101 << QStringList{} << kNone << kNoData;
        QTest::newRow("count 40000 stays unsigned")
            << 3 << 0 << 40000 << QStringList{} << kNone << kNoData;
        QTest::newRow("count 0, index 0 empties the table")
            << 3 << 0 << 0 << QStringList{} << kNone << kNoData;
        QTest::newRow("count 0, index 2 keeps the table")
            << 3 << 2 << 0 << QStringList{"0", "1", "2"} << kNone << kNoData;
    }
    void answersFillTheTable()
    {
        QFETCH(int, oldRows);
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(QStringList, numbers);
        QFETCH(QList<quint16>, requests);
        QFETCH(QString, box);
        Fill(table, oldRows);
        download->OnMeterRecord(Answer(quint16(index), quint16(count)));
        for (int i = 0; i < sent.size(); ++i)
            download->OnMeterRecord(Answer(sent[i], quint16(count)));
        QCOMPARE(FirstColumn(table), numbers);
        QCOMPARE(sent, requests);
        QCOMPARE(State().storedRecordCount.load(), count);
        // "No data" at once, the completion after a pause; busy until the box is closed.
        QCOMPARE(prompter.boxes.isEmpty(), box == kComplete);
        QCOMPARE(download->CompletionPending(), box == kComplete);
        QTRY_COMPARE(ShownBoxes(prompter), QStringList{BoxLine(box)});
        QCOMPARE(busyWhileShown, 1);
        QCOMPARE(State().downloadBusy.load(), false);
        QCOMPARE(sent, requests);
    }

    // A copy that stops before byte 28 is ignored; the download waits as for a lost answer.
    void copyNeedsBytesUpTo28_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("used");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("28 bytes") << 28 << false;
        QTest::newRow("29 bytes") << 29 << true;
    }
    void copyNeedsBytesUpTo28()
    {
        QFETCH(int, length);
        QFETCH(bool, used);
        Fill(table, 2);
        State().storedRecordCount = 9;
        download->OnMeterRecord(Answer(2, 5).first(length));
        QCOMPARE(table.RowCount(), used ? 3 : 2);
        QCOMPARE(State().storedRecordCount.load(), used ? 5 : 9);
        QCOMPARE(sent, used ? QList<quint16>{3} : QList<quint16>{});
        QCOMPARE(State().downloadBusy.load(), true);
        QVERIFY(prompter.boxes.isEmpty());
    }

    // "Delete all" has set the count to 0 before the meter answers; 0 leaves it there.
    void deleteAcknowledgment_data()
    {
        QTest::addColumn<int>("recordNumber");
        QTest::addColumn<int>("countBefore");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("fifth of five") << 5 << 5 << QStringList{"0", "1", "2", "3"} << 4;
        QTest::newRow("past the last row removes nothing")
            << 9 << 9 << QStringList{"0", "1", "2", "3", "4"} << 8;
        QTest::newRow("0 removes all") << 0 << 0 << QStringList{} << 0;
        QTest::newRow("a count of 0 stays 0") << 5 << 0 << QStringList{"0", "1", "2", "3"} << 0;
    }
    void deleteAcknowledgment()
    {
        QFETCH(int, recordNumber);
        QFETCH(int, countBefore);
        QFETCH(QStringList, numbers);
        QFETCH(int, countAfter);
        Fill(table, 5);
        State().storedRecordCount = quint16(countBefore);
        download->OnRecordDeleted(recordNumber);
        QCOMPARE(FirstColumn(table), numbers);
        QCOMPARE(State().storedRecordCount.load(), countAfter);
        QVERIFY(prompter.boxes.isEmpty());
    }

    // The operator disconnects between the last row and the completion message: the
    // disconnect's own message is the last word.
    void disconnectDuringTheCompletionPauseShowsNoCompletion()
    {
        download->OnMeterRecord(Answer(0, 1));
        QVERIFY(download->CompletionPending());
        link->SetPort(new StubPort);
        QVERIFY(link->OpenPort());
        ConnectionCommands(*link, prompter, nullptr).Disconnect();
        QVERIFY(!download->CompletionPending());
        QCOMPARE(State().downloadBusy.load(), false);
        QCOMPARE(prompter.Texts(), QStringList{"Connection has been disconnected!"});
    }

private:
    RecordTable table;
    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    QList<quint16> sent;
    int busyWhileShown = -1;
    std::unique_ptr<RecordDownload> download;
};

QTEST_GUILESS_MAIN(TestRecordDownload)
#include "tst_recorddownload.moc"
