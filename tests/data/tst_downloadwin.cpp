// The data page: its table and buttons, the answers the link posts to it, the next
// request it sends through the link, and the keys it swallows.
#include "FakePrompter.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "data/CDownLoadWin.h"
#include "data/DataTexts.h"
#include "link/CommandFrame.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "sim/VirtualMeter.h"

#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

QByteArray RequestFor(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    frame.Complete();
    return frame.ToByteArray();
}

} // namespace

class TestDownLoadWin : public QObject
{
    Q_OBJECT

public:
    void Post(int message, const QByteArray& copy, int param)
    {
        QCoreApplication::postEvent(page.get(), new MeterEvent(message, copy, param));
        QCoreApplication::sendPostedEvents(page.get());
    }

    QByteArray AnswerFor(quint16 index) { return meter->Receive(RequestFor(index)).value(0); }

private Q_SLOTS:
    void init()
    {
        ResetLinkState();
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
        meter = std::make_unique<VirtualMeter>();
        page = std::make_unique<CDownLoadWin>(prompter, dialogs);

        port = new StubPort;
        portName = QStringLiteral("/dev/null");
        DeviceLink* link = DeviceLink::Instance();
        link->SetCommControl(port);
        QVERIFY(link->OpenPort());
        port->written.clear();
        link->targetWindow = page.get();
    }

    void cleanup()
    {
        DeviceLink::Instance()->ClosePort();
        page.reset();
    }

    void listShowsSevenCentredColumnsWithTheirWidths_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("width");
        QTest::newRow("No.") << 0 << "No." << 50;
        QTest::newRow("ONT:1270nm") << 1 << "ONT:1270nm" << 100;
        QTest::newRow("ONT:1310nm") << 2 << "ONT:1310nm" << 100;
        QTest::newRow("OLT:1490nm") << 3 << "OLT:1490nm" << 100;
        QTest::newRow("OLT:1577nm") << 4 << "OLT:1577nm" << 100;
        QTest::newRow("Threshold Name") << 5 << "Threshold Name" << 130;
        QTest::newRow("Date-Time") << 6 << "Date-Time" << 150;
    }
    void listShowsSevenCentredColumnsWithTheirWidths()
    {
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(int, width);
        QTableView* list = page->List();
        QCOMPARE(list->model()->columnCount(), 7);
        QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), header);
        QCOMPARE(list->columnWidth(column), width);
        QCOMPARE(list->horizontalHeader()->defaultAlignment(), Qt::AlignCenter);
    }

    void listHasGridWholeRowSelectionAndNoSorting()
    {
        QTableView* list = page->List();
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(list->model(), &page->Table());
    }

    void buttonsCarryTheirLabels()
    {
        QCOMPARE(page->ExportButton()->text(), QStringLiteral("导出EXCEL"));
        QCOMPARE(page->ImportButton()->text(), QStringLiteral("导进EXCEL"));
    }

    void wholeDownloadThroughTheLinkEndsWithTheCompletionBox()
    {
        Post(WM_METER_RECORD, AnswerFor(0), kFrameSize);
        QCOMPARE(page->List()->model()->rowCount(), 1);
        QCOMPARE(downloadBusy.load(), 1);
        QCOMPARE(ToHex(port->written.value(0)).left(14), QStringLiteral("AA 0F 01 00 01"));
        for (int i = 1; i < meter->Records().size(); ++i) {
            QCOMPARE(port->written.size(), i);
            QCOMPARE(port->written.last(), RequestFor(static_cast<quint16>(i)));
            Post(WM_METER_RECORD, AnswerFor(static_cast<quint16>(i)), kFrameSize);
        }
        QCOMPARE(page->Table().RowCount(), meter->Records().size());
        QCOMPARE(port->written.size(), meter->Records().size() - 1);
        QTRY_COMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].text, DataText::DownloadComplete);
        QCOMPARE(prompter.boxes[0].owner, page.get());
        QCOMPARE(downloadBusy.load(), 0);
    }

    void noDataBoxIsOwnedByThePage()
    {
        meter = std::make_unique<VirtualMeter>(MeterOptions{0});
        Post(WM_METER_RECORD, AnswerFor(0), kFrameSize);
        QCOMPARE(prompter.Texts(), QStringList{DataText::NoDataToDownload});
        QCOMPARE(prompter.boxes[0].owner, page.get());
        QVERIFY(port->written.isEmpty());
    }

    void deleteAcknowledgmentRemovesTheRow_data()
    {
        QTest::addColumn<int>("recordNumber");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<int>("storedAfter");
        QTest::newRow("current of 12") << 12 << 11 << 11;
        QTest::newRow("all") << 0 << 0 << 12;
    }
    void deleteAcknowledgmentRemovesTheRow()
    {
        QFETCH(int, recordNumber);
        QFETCH(int, rowsAfter);
        QFETCH(int, storedAfter);
        for (int i = 0; i < meter->Records().size(); ++i)
            Post(WM_METER_RECORD, AnswerFor(static_cast<quint16>(i)), kFrameSize);
        QTRY_COMPARE(downloadBusy.load(), 0);
        QCOMPARE(storedRecordCount.load(), 12);
        const QString lastKept = page->Table().CellText(10, 6);

        Post(WM_METER_RECORD_DELETED, {}, recordNumber);

        QCOMPARE(page->Table().RowCount(), rowsAfter);
        QCOMPARE(storedRecordCount.load(), storedAfter);
        if (rowsAfter > 0)
            QCOMPARE(page->Table().CellText(rowsAfter - 1, 6), lastKept);
    }

    void answersForOtherPagesAreIgnored_data()
    {
        QTest::addColumn<int>("message");
        QTest::newRow("threshold part 1") << int(WM_METER_THR_PART1);
        QTest::newRow("threshold part 3") << int(WM_METER_THR_PART3);
        QTest::newRow("upload start") << int(WM_METER_UPLOAD_START);
        QTest::newRow("upload group") << int(WM_METER_UPLOAD_GROUP);
    }
    void answersForOtherPagesAreIgnored()
    {
        QFETCH(int, message);
        page->Table().InsertRow(0, QStringLiteral("kept"));
        Post(message, AnswerFor(0), 2);
        QCOMPARE(page->Table().RowCount(), 1);
        QCOMPARE(page->Table().CellText(0, 0), QStringLiteral("kept"));
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(port->written.isEmpty());
        QCOMPARE(downloadBusy.load(), 0);
    }

    void exportButtonExportsTheTable()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 3; ++i)
            Post(WM_METER_RECORD, AnswerFor(static_cast<quint16>(i)), kFrameSize);
        dialogs.savePath = dir.filePath(QStringLiteral("page"));
        QTest::mouseClick(page->ExportButton(), Qt::LeftButton);
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("Csv  (*.csv)")});
        QCOMPARE(page->ExportPath(), dir.filePath(QStringLiteral("page.csv")));
        QFile file(page->ExportPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count("\r\n"), 4);
        QCOMPARE(prompter.Texts(), QStringList{DataText::ExportSucceeded});
        QCOMPARE(prompter.boxes[0].owner, page.get());
    }

    // Inside a dialog, Escape would close it and Enter would press the focused button;
    // the page keeps both keys from doing either.
    void enterAndEscapeAreSwallowed_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        for (const QString focus : {"list", "export", "import", "page"}) {
            QTest::addRow("Return on %s", qPrintable(focus)) << int(Qt::Key_Return) << focus;
            QTest::addRow("Enter on %s", qPrintable(focus)) << int(Qt::Key_Enter) << focus;
            QTest::addRow("Escape on %s", qPrintable(focus)) << int(Qt::Key_Escape) << focus;
        }
    }
    void enterAndEscapeAreSwallowed()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        QDialog host;
        auto* layout = new QVBoxLayout(&host);
        auto* hosted = new CDownLoadWin(prompter, dialogs, &host);
        layout->addWidget(hosted);
        hosted->Table().InsertRow(0, QStringLiteral("kept"));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QSignalSpy exportClicks(hosted->ExportButton(), &QPushButton::clicked);
        QSignalSpy importClicks(hosted->ImportButton(), &QPushButton::clicked);
        QSignalSpy rejected(&host, &QDialog::rejected);
        QWidget* target = hosted;
        if (focus == QLatin1String("list"))
            target = hosted->List();
        else if (focus == QLatin1String("export"))
            target = hosted->ExportButton();
        else if (focus == QLatin1String("import"))
            target = hosted->ImportButton();
        QVERIFY(hosted->ExportButton()->autoDefault());

        QTest::keyClick(target, Qt::Key(key));

        QVERIFY(host.isVisible());
        QCOMPARE(rejected.size(), 0);
        QCOMPARE(exportClicks.size(), 0);
        QCOMPARE(importClicks.size(), 0);
        QVERIFY(dialogs.filters.isEmpty());
        QCOMPARE(hosted->Table().RowCount(), 1);
    }

private:
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<VirtualMeter> meter;
    std::unique_ptr<CDownLoadWin> page;
    StubPort* port = nullptr;
};

QTEST_MAIN(TestDownLoadWin)
#include "tst_downloadwin.moc"
