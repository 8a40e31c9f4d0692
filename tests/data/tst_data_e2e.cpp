// The data page against the virtual meter on a pseudo-terminal, through the real serial
// port, reception thread and dispatcher: connect, download, delete, export.
#include "FakePrompter.h"
#include "data/CDownLoadWin.h"
#include "data/DataTexts.h"
#include "data/MeasurementRecord.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "sim/PtyHost.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// What a row must read for the meter's record at `index`, built from the meter's own
// values (with its calibration offsets, as it serves them).
QStringList ExpectedRow(const VirtualMeter& meter, int index)
{
    const MeterRecord& r = meter.Records()[index];
    const auto& offsets = meter.CalibrationOffsets();
    MeasurementRecord m;
    m.index = static_cast<quint16>(index);
    m.ont1270 = r.ont1270 + offsets[VirtualMeter::Ont1270];
    m.ont1310 = r.ont1310 + offsets[VirtualMeter::Ont1310];
    m.olt1490 = r.olt1490 + offsets[VirtualMeter::Olt1490];
    m.olt1577 = r.olt1577 + offsets[VirtualMeter::Olt1577];
    m.thresholdGroup = r.group;
    m.year = r.year;
    m.month = r.month;
    m.day = r.day;
    m.hour = r.hour;
    m.minute = r.minute;
    return m.RowTexts();
}

QStringList Row(const RecordTable& table, int row)
{
    QStringList texts;
    for (int c = 0; c < table.ColumnCount(); ++c)
        texts << table.CellText(row, c);
    return texts;
}

} // namespace

class TestDataEndToEnd : public QObject
{
    Q_OBJECT

public:
    // Connects to a fresh virtual meter; false when something on the way failed.
    bool ConnectTo(const SimOptions& options)
    {
        host = std::make_unique<PtyHost>(options);
        if (!host->Open()) {
            qWarning("%s", qPrintable(host->ErrorString()));
            return false;
        }
        commands = std::make_unique<ConnectionCommands>(prompter, page.get(), host->DevicePath());
        commands->SetOpenDelay(0);
        commands->Connect();
        return QTest::qWaitFor([] { return linkConnected.load() == 1; });
    }

    // Starts a download and waits for the message that ends it.
    bool Download()
    {
        prompter.boxes.clear();
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        // Returns to the test as soon as the box is closed, not at the next poll.
        prompter.onShow = [&loop](const FakePrompter::Box&) {
            loop.quit();
        };
        commands->DownloadRecords();
        const bool ended = loop.exec() == 0;
        prompter.onShow = nullptr;
        return ended && !downloadBusy;
    }

    void CompareTableWithMeter()
    {
        const VirtualMeter& meter = host->Meter();
        QCOMPARE(page->Table().RowCount(), meter.Records().size());
        for (int r = 0; r < meter.Records().size(); ++r)
            QCOMPARE(Row(page->Table(), r), ExpectedRow(meter, r));
        QCOMPARE(storedRecordCount.load(), meter.Records().size());
    }

private Q_SLOTS:
    void init()
    {
        ResetLinkState();
        prompter = FakePrompter();
        page = std::make_unique<CDownLoadWin>(prompter, dialogs);
        DeviceLink* link = DeviceLink::Instance();
        link->SetPrompter(&prompter, page.get());
        link->targetWindow = page.get();
    }

    void cleanup()
    {
        DeviceLink::Instance()->ClosePort();
        commands.reset();
        host.reset();
        page.reset();
    }

    void cleanupTestCase() { DeviceLink::Instance()->ShutDown(); }

    void downloadShowsEveryRecordOfTheMeter_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("noise");
        QTest::newRow("5 records") << 5 << 0 << 0;
        QTest::newRow("100 records") << 100 << 0 << 0;
        QTest::newRow("1 record") << 1 << 0 << 0;
        QTest::newRow("12 records in 7-byte pieces") << 12 << 7 << 0;
        QTest::newRow("12 records behind noise") << 12 << 0 << 3;
    }
    void downloadShowsEveryRecordOfTheMeter()
    {
        QFETCH(int, records);
        QFETCH(int, chunk);
        QFETCH(int, noise);
        SimOptions options;
        options.meter.records = records;
        options.meter.seed = 11;
        options.chunk = chunk;
        options.noise = noise;
        QVERIFY(ConnectTo(options));
        QCOMPARE(prompter.Texts(), QStringList{QStringLiteral("Connected Success!")});

        QVERIFY(Download());

        CompareTableWithMeter();
        QCOMPARE(prompter.Texts(), QStringList{DataText::DownloadComplete});
        QCOMPARE(prompter.boxes[0].owner, page.get());
        // One request per record, in order, and nothing after the last.
        const QList<ReceivedFrame>& frames = host->Meter().ReceivedFrames();
        QCOMPARE(frames.size(), 1 + records);
        for (int i = 0; i < records; ++i) {
            const QByteArray& request = frames[1 + i].bytes;
            QVERIFY(frames[1 + i].checksOk);
            QCOMPARE(quint8(request[2]), quint8(0x01));
            QCOMPARE(quint8(request[3]) << 8 | quint8(request[4]), i);
        }
    }

    void meterWithoutRecordsReportsNoData()
    {
        SimOptions options;
        options.meter.records = 0;
        QVERIFY(ConnectTo(options));
        page->Table().InsertRow(0, QStringLiteral("from before"));
        QVERIFY(Download());
        QCOMPARE(prompter.Texts(), QStringList{QStringLiteral("Have no data can be download!")});
        QCOMPARE(page->Table().RowCount(), 0);
        QCOMPARE(storedRecordCount.load(), 0);
    }

    void deleteCurrentRemovesTheLastRow()
    {
        SimOptions options;
        options.meter.records = 5;
        QVERIFY(ConnectTo(options));
        QVERIFY(Download());
        const QStringList fourth = Row(page->Table(), 3);
        prompter.boxes.clear();

        commands->DeleteCurrent();

        QCOMPARE(prompter.Texts(), QStringList{QStringLiteral("Delete the 5th test data?")});
        QTRY_COMPARE(page->Table().RowCount(), 4);
        QCOMPARE(storedRecordCount.load(), 4);
        QCOMPARE(host->Meter().Records().size(), 4);
        QCOMPARE(Row(page->Table(), 3), fourth);
        // A fresh download agrees with what the meter now holds.
        QVERIFY(Download());
        CompareTableWithMeter();
    }

    void deleteAllEmptiesTheTable()
    {
        SimOptions options;
        options.meter.records = 5;
        QVERIFY(ConnectTo(options));
        QVERIFY(Download());
        prompter.boxes.clear();

        commands->DeleteAll();

        QCOMPARE(prompter.Texts(), QStringList{QStringLiteral("Do you want to delete all data?")});
        QTRY_COMPARE(page->Table().RowCount(), 0);
        QCOMPARE(storedRecordCount.load(), 0);
        QVERIFY(host->Meter().Records().isEmpty());
    }

    void exportWritesWhatTheMeterHolds()
    {
        SimOptions options;
        options.meter.records = 5;
        options.meter.seed = 5;
        QVERIFY(ConnectTo(options));
        QVERIFY(Download());
        QTemporaryDir dir;
        dialogs.savePath = dir.filePath(QStringLiteral("meter.csv"));
        prompter.boxes.clear();

        page->OnExportCsv();

        QCOMPARE(prompter.Texts(), QStringList{DataText::ExportSucceeded});
        QFile file(dialogs.savePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 5 + 1);
        QCOMPARE(lines[0], "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,"
                           "Date-Time,\r");
        for (int r = 0; r < 5; ++r)
            QCOMPARE(lines[1 + r], (ExpectedRow(host->Meter(), r).join(',') + ",\r").toUtf8());
        QCOMPARE(lines.last(), QByteArray());
    }

private:
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<ConnectionCommands> commands;
    std::unique_ptr<CDownLoadWin> page;
};

QTEST_MAIN(TestDataEndToEnd)
#include "tst_data_e2e.moc"
