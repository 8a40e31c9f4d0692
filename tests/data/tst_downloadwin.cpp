// The data page: its columns and the keys it swallows, and the page against the virtual
// meter on a pseudo-terminal, through the real serial port, reception thread and
// dispatcher: connect, download, delete, export.
#include "FakePrompter.h"
#include "MeterRows.h"
#include "TestSupport.h"
#include "data/CDownLoadWin.h"
#include "data/DataTexts.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "sim/PtyHost.h"

#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

class TestDownLoadWin : public QObject
{
    Q_OBJECT

public:
    // Connects to a fresh virtual meter and downloads; false when something on the way
    // failed.
    bool ConnectAndDownload(int records)
    {
        SimOptions options;
        options.meter.records = records;
        options.meter.seed = 11;
        host = std::make_unique<PtyHost>(options);
        if (!host->Open()) {
            qWarning("%s", qPrintable(host->ErrorString()));
            return false;
        }
        commands = std::make_unique<ConnectionCommands>(prompter, page.get(), host->DevicePath());
        commands->SetOpenDelay(0);
        commands->Connect();
        if (!QTest::qWaitFor([] { return linkConnected.load() == 1; }))
            return false;
        prompter.boxes.clear();
        // Waits in an event loop rather than polling, which sleeps between record answers.
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        prompter.onShow = [&loop](const FakePrompter::Box&) {
            loop.quit();
        };
        commands->DownloadRecords();
        const bool ended = loop.exec() == 0;
        prompter.onShow = nullptr;
        return ended && !downloadBusy;
    }

private Q_SLOTS:
    void init()
    {
        ResetLinkState();
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
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

    void columnsHaveTheirHeadersAndWidths()
    {
        const QList<std::pair<QString, int>> columns{
            {"No.", 50},         {"ONT:1270nm", 100},     {"ONT:1310nm", 100}, {"OLT:1490nm", 100},
            {"OLT:1577nm", 100}, {"Threshold Name", 130}, {"Date-Time", 150}};
        QTableView* list = page->List();
        QCOMPARE(list->model()->columnCount(), columns.size());
        for (int c = 0; c < columns.size(); ++c) {
            QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), columns[c].first);
            QCOMPARE(list->columnWidth(c), columns[c].second);
        }
    }

    // Inside a dialog, Escape would close it and Enter would press the focused button.
    void enterAndEscapeAreSwallowed_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        for (const char* focus : {"list", "export", "page"}) {
            QTest::addRow("Return on %s", focus) << int(Qt::Key_Return) << focus;
            QTest::addRow("Enter on %s", focus) << int(Qt::Key_Enter) << focus;
            QTest::addRow("Escape on %s", focus) << int(Qt::Key_Escape) << focus;
        }
    }
    void enterAndEscapeAreSwallowed()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        QDialog dialog;
        auto* hosted = new CDownLoadWin(prompter, dialogs, &dialog);
        (new QVBoxLayout(&dialog))->addWidget(hosted);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QWidget* target = focus == QLatin1String("list")     ? hosted->List()
                          : focus == QLatin1String("export") ? hosted->ExportButton()
                                                             : static_cast<QWidget*>(hosted);
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(dialog.isVisible());
        QCOMPARE(rejected.size(), 0);
        // No button was pressed: the export would have opened the save dialog.
        QVERIFY(dialogs.filters.isEmpty());
        QTest::mouseClick(hosted->ExportButton(), Qt::LeftButton);
        QCOMPARE(dialogs.filters.size(), 1);
    }

    void downloadAndExportEveryRecordOfTheMeter_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("5 records") << 5;
        QTest::newRow("100 records") << 100;
    }
    void downloadAndExportEveryRecordOfTheMeter()
    {
        QFETCH(int, records);
        QVERIFY(ConnectAndDownload(records));
        // An answer meant for another page leaves the table alone, even one that would
        // read as record 1 of 1.
        QByteArray payload(26, '\0');
        payload[24 - 3] = 1;
        MeterEvent other(WM_METER_THR_PART1, AnswerFrame(MeterCode::RequestRecord, payload), 1);
        QCoreApplication::sendEvent(page.get(), &other);

        QList<QStringList> rows;
        QByteArray csv = "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,"
                         "Date-Time,\r\n";
        for (int r = 0; r < records; ++r) {
            rows << ExpectedRow(host->Meter(), r);
            csv += (rows.last().join(',') + ",\r\n").toUtf8();
        }
        QCOMPARE(Rows(page->Table()), rows);
        QCOMPARE(storedRecordCount.load(), records);
        QCOMPARE(prompter.Texts(), QStringList{DataText::DownloadComplete});
        QCOMPARE(prompter.boxes[0].owner, page.get());
        // The handshake, then one request per record and nothing after the last.
        QCOMPARE(host->Meter().ReceivedFrames().size(), 1 + records);

        QTemporaryDir dir;
        dialogs.savePath = dir.filePath(QStringLiteral("meter.csv"));
        page->OnExportCsv();
        QCOMPARE(prompter.Texts().last(), DataText::ExportSucceeded);
        QFile file(dialogs.savePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), csv);
    }

    void deleteAcknowledgedByTheMeter_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("current") << false << "Delete the 5th test data?" << 4;
        QTest::newRow("all") << true << "Do you want to delete all data?" << 0;
    }
    void deleteAcknowledgedByTheMeter()
    {
        QFETCH(bool, all);
        QFETCH(QString, question);
        QFETCH(int, rowsAfter);
        QVERIFY(ConnectAndDownload(5));
        const QList<QStringList> before = Rows(page->Table());
        prompter.boxes.clear();

        all ? commands->DeleteAll() : commands->DeleteCurrent();

        QCOMPARE(prompter.Texts(), QStringList{question});
        QTRY_COMPARE(host->Meter().Records().size(), rowsAfter);
        QTRY_COMPARE(Rows(page->Table()), before.first(rowsAfter));
        QCOMPARE(storedRecordCount.load(), rowsAfter);
    }

private:
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<ConnectionCommands> commands;
    std::unique_ptr<CDownLoadWin> page;
};

QTEST_MAIN(TestDownLoadWin)
#include "tst_downloadwin.moc"
