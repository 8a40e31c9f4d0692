// The record download as the data page runs it: one answer, one row, the next request;
// the end of a download; answers without data; delete acknowledgments.
#include "FakePrompter.h"
#include "TestSupport.h"
#include "data/DataTexts.h"
#include "data/MeasurementRecord.h"
#include "data/RecordDownload.h"
#include "data/RecordTable.h"
#include "link/CommandFrame.h"
#include "link/LinkState.h"
#include "link/ResponseFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

namespace {

QByteArray RequestFor(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    frame.Complete();
    return frame.ToByteArray();
}

// The row a meter record must become, built from the meter's own values.
QStringList ExpectedRow(const MeterRecord& r, int index)
{
    return {QStringLiteral("   %1").arg(index + 1),
            PowerText(r.ont1270, ontLowLimit),
            PowerText(r.ont1310, ontLowLimit),
            PowerText(r.olt1490, oltLowLimit),
            PowerText(r.olt1577, oltLowLimit),
            QString::number(r.group),
            DateTimeText(r.year, r.month, r.day, r.hour, r.minute)};
}

QStringList Row(const RecordTable& table, int row)
{
    QStringList texts;
    for (int c = 0; c < table.ColumnCount(); ++c)
        texts << table.CellText(row, c);
    return texts;
}

// `answer` with other index and count fields, its check bytes made right again.
QByteArray WithIndexAndCount(const QByteArray& answer, quint16 index, quint16 count)
{
    QByteArray payload = answer.mid(3, 26);
    payload[21 - 3] = char(index >> 8);
    payload[22 - 3] = char(index & 0xFF);
    payload[23 - 3] = char(count >> 8);
    payload[24 - 3] = char(count & 0xFF);
    return AnswerFrame(MeterCode::RequestRecord, payload);
}

void FillOld(RecordTable& table, int rows)
{
    for (int r = 0; r < rows; ++r)
        table.InsertRow(r, QStringLiteral("old %1").arg(r));
}

MeterOptions WithRecords(int records)
{
    MeterOptions options;
    options.records = records;
    options.seed = 42;
    return options;
}

} // namespace

class TestRecordDownload : public QObject
{
    Q_OBJECT

public:
    // The meter's answer to a request for `index`.
    QByteArray AnswerFor(quint16 index)
    {
        const QList<QByteArray> answers = meter->Receive(RequestFor(index));
        return answers.value(0);
    }

    // Plays the meter: answers the first request and every request the download makes,
    // one after another, as the link would deliver them.
    void RunDownload()
    {
        download->OnMeterRecord(AnswerFor(0));
        while (!requests.isEmpty())
            download->OnMeterRecord(AnswerFor(requests.takeFirst()));
    }

private Q_SLOTS:
    void init()
    {
        ResetLinkState();
        prompter = FakePrompter();
        requests.clear();
        sent.clear();
        table = std::make_unique<RecordTable>();
        meter = std::make_unique<VirtualMeter>(WithRecords(5));
        download = std::make_unique<RecordDownload>(*table, prompter, nullptr, [this](quint16 i) {
            requests << i;
            sent << i;
        });
    }

    void downloadsEveryRecordInOrder_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("5") << 5;
        QTest::newRow("100") << 100;
    }
    void downloadsEveryRecordInOrder()
    {
        QFETCH(int, records);
        meter = std::make_unique<VirtualMeter>(WithRecords(records));
        RunDownload();

        QList<quint16> expectedRequests;
        for (int i = 1; i < records; ++i)
            expectedRequests << static_cast<quint16>(i);
        QCOMPARE(sent, expectedRequests);
        QCOMPARE(table->RowCount(), records);
        for (int r = 0; r < records; ++r)
            QCOMPARE(Row(*table, r), ExpectedRow(meter->Records()[r], r));
        QCOMPARE(storedRecordCount.load(), records);
    }

    void lastRecordShowsCompletionAfterThePause()
    {
        RunDownload();
        QCOMPARE(downloadBusy.load(), 1);
        QVERIFY(download->CompletionPending());
        // The completion waits for the pause; the last row is already there.
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(table->RowCount(), 5);

        int busyWhileShown = -1;
        prompter.onShow = [&](const FakePrompter::Box&) {
            busyWhileShown = downloadBusy;
        };
        QTRY_COMPARE(prompter.boxes.size(), 1);
        const FakePrompter::Box& box = prompter.boxes[0];
        QCOMPARE(box.text, QStringLiteral("DownLoad Data Complete!"));
        QCOMPARE(box.caption, QStringLiteral("PON Prompt Message"));
        QCOMPARE(box.buttons, int(Prompter::Ok));
        QCOMPARE(box.icon, Prompter::Icon::None);
        // The download counts as running until the operator has closed the message.
        QCOMPARE(busyWhileShown, 1);
        QCOMPARE(downloadBusy.load(), 0);
        QVERIFY(!download->CompletionPending());
    }

    void oneRecordMeterSendsNoSecondRequest()
    {
        meter = std::make_unique<VirtualMeter>(WithRecords(1));
        download->OnMeterRecord(AnswerFor(0));
        QVERIFY(sent.isEmpty());
        QCOMPARE(Row(*table, 0), ExpectedRow(meter->Records()[0], 0));
        QTRY_COMPARE(prompter.Texts(), QStringList{DataText::DownloadComplete});
        QVERIFY(sent.isEmpty());
    }

    void answerWithoutData_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("oldRows");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("count 0, index 0 empties the table") << 0 << 3 << 0 << 0;
        QTest::newRow("count 0, later index leaves the table") << 0 << 3 << 2 << 3;
        QTest::newRow("count 0 on an empty table") << 0 << 0 << 0 << 0;
        QTest::newRow("count 101, index 0 empties the table") << 101 << 3 << 0 << 0;
        QTest::newRow("count 101, later index leaves the table") << 101 << 3 << 1 << 3;
        QTest::newRow("count 150") << 150 << 0 << 0 << 0;
    }
    void answerWithoutData()
    {
        QFETCH(int, records);
        QFETCH(int, oldRows);
        QFETCH(int, index);
        QFETCH(int, rowsAfter);
        meter = std::make_unique<VirtualMeter>(WithRecords(records));
        FillOld(*table, oldRows);
        int busyWhileShown = -1;
        prompter.onShow = [&](const FakePrompter::Box&) {
            busyWhileShown = downloadBusy;
        };

        download->OnMeterRecord(AnswerFor(static_cast<quint16>(index)));

        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].text, QStringLiteral("Have no data can be download!"));
        QCOMPARE(prompter.boxes[0].caption, promptCaption);
        QCOMPARE(prompter.boxes[0].buttons, int(Prompter::Ok));
        QCOMPARE(prompter.boxes[0].icon, Prompter::Icon::None);
        QCOMPARE(busyWhileShown, 1);
        QCOMPARE(downloadBusy.load(), 0);
        QCOMPARE(storedRecordCount.load(), records);
        QVERIFY(sent.isEmpty());
        QVERIFY(!download->CompletionPending());
        QCOMPARE(table->RowCount(), rowsAfter);
        for (int r = 0; r < rowsAfter; ++r)
            QCOMPARE(table->CellText(r, 0), QStringLiteral("old %1").arg(r));
    }

    void indexZeroStartsTheTableAfresh()
    {
        FillOld(*table, 7);
        download->OnMeterRecord(AnswerFor(0));
        QCOMPARE(table->RowCount(), 1);
        QCOMPARE(Row(*table, 0), ExpectedRow(meter->Records()[0], 0));
        QCOMPARE(sent, QList<quint16>{1});
    }

    void tableAsLongAsTheCountStartsAfresh()
    {
        FillOld(*table, 5);
        download->OnMeterRecord(AnswerFor(3));
        QCOMPARE(table->RowCount(), 1);
        QCOMPARE(table->CellText(0, 0), QStringLiteral("   4"));
        QCOMPARE(Row(*table, 0), ExpectedRow(meter->Records()[3], 3));
        QCOMPARE(sent, QList<quint16>{4});
    }

    void laterRecordIsAppendedBehindTheRowsShown()
    {
        FillOld(*table, 2);
        download->OnMeterRecord(AnswerFor(2));
        QCOMPARE(table->RowCount(), 3);
        QCOMPARE(table->CellText(1, 0), QStringLiteral("old 1"));
        QCOMPARE(Row(*table, 2), ExpectedRow(meter->Records()[2], 2));
    }

    // The meter names an index at or past its own count: nothing further will come, so
    // the download ends as after the last record instead of keeping the tabs locked.
    void indexPastTheCountEndsTheDownloadAsAtCompletion()
    {
        FillOld(*table, 2);
        // The virtual meter never names such an index itself.
        const QByteArray answer = WithIndexAndCount(AnswerFor(0), 7, 5);
        QVERIFY(ResponseFrame::IsRecognised(answer));
        download->OnMeterRecord(answer);
        QCOMPARE(table->RowCount(), 3);
        QCOMPARE(table->CellText(2, 0), QStringLiteral("   8"));
        QVERIFY(sent.isEmpty());
        QCOMPARE(storedRecordCount.load(), 5);
        QVERIFY(download->CompletionPending());
        QTRY_COMPARE(prompter.Texts(), QStringList{DataText::DownloadComplete});
        QCOMPARE(downloadBusy.load(), 0);
    }

    void shortCopyIsIgnored_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("empty") << 0;
        QTest::newRow("header") << 3;
        QTest::newRow("index and count but not byte 28") << 28;
    }
    void shortCopyIsIgnored()
    {
        QFETCH(int, length);
        FillOld(*table, 2);
        storedRecordCount = 9;
        download->OnMeterRecord(AnswerFor(0).first(length));
        QCOMPARE(downloadBusy.load(), 1);
        QCOMPARE(storedRecordCount.load(), 9);
        QCOMPARE(table->RowCount(), 2);
        QVERIFY(sent.isEmpty());
        QVERIFY(!download->CompletionPending());
        QVERIFY(prompter.boxes.isEmpty());
    }

    void deleteAcknowledgment_data()
    {
        QTest::addColumn<int>("recordNumber");
        QTest::addColumn<int>("storedBefore");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<int>("storedAfter");
        QTest::newRow("fifth of five")
            << 5 << 5 << QStringList{"   1", "   2", "   3", "   4"} << 4;
        QTest::newRow("first") << 1 << 1 << QStringList{"   2", "   3", "   4", "   5"} << 0;
        QTest::newRow("beyond the last row removes nothing")
            << 9 << 9 << QStringList{"   1", "   2", "   3", "   4", "   5"} << 8;
        QTest::newRow("all") << 0 << 0 << QStringList{} << 0;
    }
    void deleteAcknowledgment()
    {
        QFETCH(int, recordNumber);
        QFETCH(int, storedBefore);
        QFETCH(QStringList, rowsAfter);
        QFETCH(int, storedAfter);
        RunDownload();
        QTRY_VERIFY(!download->CompletionPending());
        prompter.boxes.clear();
        storedRecordCount = static_cast<qint16>(storedBefore);

        download->OnRecordDeleted(recordNumber);

        QStringList numbers;
        for (int r = 0; r < table->RowCount(); ++r)
            numbers << table->CellText(r, 0);
        QCOMPARE(numbers, rowsAfter);
        QCOMPARE(storedRecordCount.load(), storedAfter);
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(sent.size() == 4);
    }

    // "Delete all data" has set the count to 0 before the meter answers; the answer must
    // not change it again.
    void deleteAllLeavesTheCountAlone()
    {
        FillOld(*table, 3);
        storedRecordCount = 3;
        download->OnRecordDeleted(0);
        QCOMPARE(table->RowCount(), 0);
        QCOMPARE(storedRecordCount.load(), 3);
    }

private:
    FakePrompter prompter;
    QList<quint16> requests;
    QList<quint16> sent;
    std::unique_ptr<RecordTable> table;
    std::unique_ptr<VirtualMeter> meter;
    std::unique_ptr<RecordDownload> download;
};

QTEST_GUILESS_MAIN(TestRecordDownload)
#include "tst_recorddownload.moc"
