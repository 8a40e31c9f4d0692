// The data page: its columns and the keys it swallows, and the page against the virtual
// meter on a pseudo-terminal, through the real serial port, reception thread and
// dispatcher: connect, download, delete, export and import.
#include "FakePrompter.h"
#include "MeterRows.h"
#include "TestSupport.h"
#include "app/CommandEnabling.h"
#include "common/ExportFile.h"
#include "common/Prompter.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/MeterMessage.h"
#include "records/RecordTexts.h"
#include "records/RecordsPage.h"
#include "sheets/SheetImport.h"
#include "sim/PtyHost.h"

#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

// Calls `onPaint` with the widget each time one it watches is painted.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(std::function<void(QObject*)> onPaint) : onPaint_(std::move(onPaint)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            onPaint_(watched);
        return false;
    }

private:
    std::function<void(QObject*)> onPaint_;
};

class TestRecordsPage : public QObject
{
    Q_OBJECT

public:
    // Connects the page to a fresh virtual meter; false when something on the way failed.
    bool ConnectTo(const SimOptions& options)
    {
        host = std::make_unique<PtyHost>(options);
        if (!host->Open()) {
            qWarning("%s", qPrintable(host->ErrorString()));
            return false;
        }
        commands =
            std::make_unique<ConnectionCommands>(*link, prompter, page.get(), host->DevicePath());
        commands->SetOpenDelay(0);
        commands->Connect();
        if (!QTest::qWaitFor([this] { return State().connected.load(); }))
            return false;
        prompter.boxes.clear();
        return true;
    }

    // Connects to a fresh virtual meter and downloads; false when something on the way
    // failed.
    bool ConnectAndDownload(int records)
    {
        SimOptions options;
        options.meter.records = records;
        options.meter.seed = 11;
        if (!ConnectTo(options))
            return false;
        // Waits in an event loop rather than polling, which sleeps between record answers.
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        prompter.onShow = [&loop](const FakePrompter::Box&) {
            loop.quit();
        };
        commands->DownloadRecords();
        const bool ended = loop.exec() == 0;
        prompter.onShow = nullptr;
        return ended && !State().downloadBusy;
    }

private Q_SLOTS:
    void init()
    {
        link = std::make_unique<DeviceLink>();
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
        page = std::make_unique<RecordsPage>(*link, prompter, dialogs);
        link->SetPrompter(&prompter, page.get());
        link->SetMessageTarget(page.get());
    }

    void cleanup()
    {
        commands.reset();
        page.reset();
        link.reset();
        host.reset();
    }

    // A row appended during a download repaints only itself, and the scroll bar follows
    // within a display frame; the screen must still show what a full repaint shows.
    void appendedRowsShowAsAFullRepaintWould()
    {
        page->resize(1000, 560);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        const auto onScreenMatchesRepaint = [this] {
            const QImage screen = page->screen()->grabWindow(page->winId()).toImage();
            return screen.convertToFormat(QImage::Format_RGB32) ==
                   page->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        RecordTable& table = page->Table();
        for (int row = 0; row < 60; ++row) {
            table.InsertRow(row, QStringLiteral("   %1").arg(row + 1));
            for (int column = 1; column < table.ColumnCount(); ++column)
                table.SetCellText(row, column, QStringLiteral("   -%1.00").arg(row + column));
            QCoreApplication::processEvents();
            if (row == 4)
                QTRY_VERIFY(onScreenMatchesRepaint());
        }
        // A plain view of the same table, laid out from scratch, gives the scroll range.
        QTableView plain;
        plain.setModel(&table);
        plain.verticalHeader()->hide();
        plain.resize(page->List()->size());
        plain.show();
        QTRY_COMPARE(page->List()->verticalScrollBar()->maximum(),
                     plain.verticalScrollBar()->maximum());
        // The new range's repaint is posted after the range itself: wait for it.
        QTRY_VERIFY(onScreenMatchesRepaint());
    }

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

    // Without a font that has Chinese glyphs the two labels would show as empty boxes: as
    // the page lays them out (the system's fallback fonts included), every character must
    // get a real glyph, not the font's "missing" glyph 0.
    void buttonLabelsHaveGlyphs_data()
    {
        QTest::addColumn<bool>("exportButton");
        QTest::addColumn<QString>("label");
        QTest::newRow("export") << true << QStringLiteral("导出EXCEL");
        QTest::newRow("import") << false << QStringLiteral("导进EXCEL");
    }
    void buttonLabelsHaveGlyphs()
    {
        QFETCH(bool, exportButton);
        QFETCH(QString, label);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        const QPushButton* button = exportButton ? page->ExportButton() : page->ImportButton();
        QCOMPARE(button->text(), label);

        QTextLayout layout(label, button->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QStringList fonts;
        qsizetype glyphs = 0;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            fonts << run.rawFont().familyName();
            const QList<quint32> indexes = run.glyphIndexes();
            glyphs += indexes.size();
            QVERIFY2(!indexes.contains(0), qPrintable(fonts.join(QLatin1String(", "))));
        }
        QCOMPARE(glyphs, label.size());
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
        auto* hosted = new RecordsPage(*link, prompter, dialogs, &dialog);
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
        // The file is the same in every language of the desktop.
        QTest::addColumn<QString>("language");
        QTest::newRow("5 records") << 5 << "C";
        QTest::newRow("100 records, Chinese desktop") << 100 << "zh_CN";
    }
    void downloadAndExportEveryRecordOfTheMeter()
    {
        QFETCH(int, records);
        QFETCH(QString, language);
        const ScopedLanguage shown(language);
        QVERIFY(ConnectAndDownload(records));
        // An answer meant for another page leaves the table alone, even one that would
        // read as record 1 of 1.
        QByteArray payload(26, '\0');
        payload[24 - 3] = 1;
        page->OnMeterMessage({MeterMessage::Kind::ThresholdPart1,
                              AnswerFrame(MeterCode::RequestRecord, payload), 1});

        QList<QStringList> rows;
        QByteArray csv = "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,"
                         "Date-Time,\r\n";
        for (int r = 0; r < records; ++r) {
            rows << ExpectedRow(host->Meter(), r);
            csv += (rows.last().join(',') + ",\r\n").toUtf8();
        }
        QCOMPARE(page->Table().Rows(), rows);
        QCOMPARE(State().storedRecordCount.load(), records);
        QCOMPARE(prompter.Texts(), QStringList{RecordText::DownloadComplete()});
        QCOMPARE(prompter.boxes[0].owner, page.get());
        // The handshake, then one request per record and nothing after the last.
        QCOMPARE(host->Meter().ReceivedFrames().size(), 1 + records);

        QTemporaryDir dir;
        dialogs.savePath = dir.filePath(QStringLiteral("meter.csv"));
        page->OnExportCsv();
        QCOMPARE(prompter.Texts().last(), ExportText::Succeeded());
        QFile file(dialogs.savePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), csv);
    }

    // The meter's records, exported and imported back through the page's button: numbers
    // come back without their leading blanks, and the rows are no longer the meter's, so
    // neither delete command is offered.
    void importBringsTheExportBack()
    {
        QVERIFY(ConnectAndDownload(5));
        QList<QStringList> rows = page->Table().Rows();
        QTemporaryDir dir;
        dialogs.savePath = dir.filePath(QStringLiteral("meter.csv"));
        page->OnExportCsv();
        page->Table().RemoveAllRows();
        const auto deleteEnabled = [this] {
            const LinkSnapshot snapshot{State().connected, State().downloadBusy,
                                        State().storedRecordCount};
            const EnablingPass pass = RunEnablingPass(snapshot, DataTab, DataTab, {});
            return pass.IsEnabled(Cmd::DeleteCurrentData) || pass.IsEnabled(Cmd::DeleteAllData);
        };
        QVERIFY(deleteEnabled());
        prompter.boxes.clear();
        QList<Qt::CursorShape> cursors;
        prompter.onShow = [&cursors](const FakePrompter::Box&) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            cursors << (cursor ? cursor->shape() : Qt::ArrowCursor);
        };

        dialogs.openPath = dialogs.savePath;
        QTest::mouseClick(page->ImportButton(), Qt::LeftButton);

        for (QStringList& row : rows) {
            // Every column but the date-time holds a number or "LOW".
            for (int c = 0; c < 6; ++c) {
                if (row[c] != QLatin1String("LOW"))
                    row[c] = QString::number(row[c].toDouble() + 0.0);
            }
        }
        QCOMPARE(page->Table().Rows(), rows);
        QCOMPARE(prompter.Texts(), QStringList{ImportText::Succeeded()});
        QCOMPARE(cursors, QList<Qt::CursorShape>{Qt::WaitCursor});
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!deleteEnabled());
    }

    // A page takes no more records than a full meter holds; a longer file is cut there, and
    // the line beside the buttons says so until the table changes. The report names the file,
    // not the port the meter happens to be on.
    void importOfALongFileTellsWhatItLeftOut_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("note");
        QTest::newRow("a full page") << 100 << QString();
        QTest::newRow("3000 records")
            << 3000 << QStringLiteral("long.csv holds 3000 records; the first 100 were read.");
    }
    void importOfALongFileTellsWhatItLeftOut()
    {
        QFETCH(int, records);
        QFETCH(QString, note);
        QVERIFY(ConnectTo(SimOptions()));
        QTemporaryDir dir;
        QByteArray csv = "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,"
                         "Date-Time\r\n";
        for (int r = 1; r <= records; ++r)
            csv += QByteArray::number(r) + ",-20,-20,-20,-20,G1,2024-5-7 9:03\r\n";
        dialogs.openPath = dir.filePath(QStringLiteral("long.csv"));
        QFile file(dialogs.openPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
        file.close();

        QTest::mouseClick(page->ImportButton(), Qt::LeftButton);
        QCOMPARE(page->Table().RowCount(), 100);
        QCOMPARE(page->Table().Rows().last().first(), QStringLiteral("100"));
        QCOMPARE(page->ProgressText()->isVisibleTo(page.get()), !note.isEmpty());
        if (!note.isEmpty())
            QCOMPARE(page->ProgressText()->text(), note);
        dialogs.savePath = dir.filePath(QStringLiteral("long.pdf"));
        page->OnExportReport();
        QString error;
        const QString report = PopplerOutput(QStringLiteral("pdftotext"),
                                             {dialogs.savePath, QStringLiteral("-")}, &error)
                                   .simplified();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(report.contains(QStringLiteral("File: long.csv")), qPrintable(report));
        QVERIFY2(!report.contains(QStringLiteral("Device:")), qPrintable(report));
        page->OpenRows({});
        QVERIFY(!page->ProgressText()->isVisibleTo(page.get()));
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
        const QList<QStringList> before = page->Table().Rows();
        prompter.boxes.clear();

        all ? commands->DeleteAll() : commands->DeleteCurrent();

        QCOMPARE(prompter.Texts(), QStringList{question});
        QTRY_COMPARE(host->Meter().Records().size(), rowsAfter);
        QTRY_COMPARE(page->Table().Rows(), before.first(rowsAfter));
        QCOMPARE(State().storedRecordCount.load(), rowsAfter);
    }

    // The window follows the records at the display's pace, never ahead of them and never
    // out of order: whenever the page is painted, "Record n of m" names the rows the table
    // holds and the table holds records 1 to n; the completion message comes only once the
    // last row has been painted; however the download ends, the progress goes.
    void whatIsPaintedFollowsTheRecords_data()
    {
        QTest::addColumn<int>("unplugAfter");  // frames the meter takes before the line closes
        QTest::addColumn<int>("disconnectAt"); // request at which the operator disconnects
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("endBox");
        QTest::newRow("completion") << 0 << 0 << 5 << RecordText::DownloadComplete();
        // The handshake, requests 0 and 1 answered, request 2 pulls the plug.
        QTest::newRow("unplug") << 4 << 0 << 2 << disconnectNotice();
        QTest::newRow("disconnect")
            << 0 << 3 << 3 << QStringLiteral("Connection has been disconnected!");
    }
    void whatIsPaintedFollowsTheRecords()
    {
        QFETCH(int, unplugAfter);
        QFETCH(int, disconnectAt);
        QFETCH(int, rows);
        QFETCH(QString, endBox);

        SimOptions options;
        options.meter.records = 5;
        options.unplugAfter = unplugAfter;
        page->resize(1000, 560);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QVERIFY(ConnectTo(options));

        QLabel* text = page->ProgressText();
        QStringList wrong;
        int paintedRows = -1;
        PaintWatch watch([&](QObject* painted) {
            const QList<QStringList>& table = page->Table().Rows();
            for (int r = 0; r < table.size(); ++r) {
                if (table[r][0].trimmed() != QString::number(r + 1))
                    wrong << QStringLiteral("row %1 holds record %2").arg(r).arg(table[r][0]);
            }
            if (painted == page->List()->viewport())
                paintedRows = int(table.size());
            else if (text->isVisible() &&
                     text->text() != QStringLiteral("Record %1 of 5").arg(table.size()))
                wrong << text->text() + QStringLiteral(" over %1 rows").arg(table.size());
        });
        page->List()->viewport()->installEventFilter(&watch);
        text->installEventFilter(&watch);
        int requests = 0;
        connect(host.get(), &PtyHost::FrameReceived, this, [&] {
            if (++requests - 1 == disconnectAt && disconnectAt > 0)
                commands->Disconnect();
        });
        int paintedAtTheEnd = -1;
        QString progressAtTheEnd;
        prompter.onShow = [&](const FakePrompter::Box&) {
            paintedAtTheEnd = paintedRows;
            progressAtTheEnd = text->isVisible() ? text->text() : QString();
        };

        commands->DownloadRecords();
        QTRY_COMPARE_WITH_TIMEOUT(prompter.Texts(), QStringList{endBox}, 20000);
        QCOMPARE(wrong, QStringList());
        QCOMPARE(page->Table().RowCount(), rows);
        // The last record's row and text are up while the completion message is shown.
        if (endBox == RecordText::DownloadComplete()) {
            QCOMPARE(paintedAtTheEnd, rows);
            QCOMPARE(progressAtTheEnd, QStringLiteral("Record 5 of 5"));
        }
        QTRY_VERIFY(page->ProgressBar()->isHidden() && text->isHidden());
        QCOMPARE(State().downloadBusy.load(), false);
    }

private:
    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<ConnectionCommands> commands;
    std::unique_ptr<RecordsPage> page;
};

QTEST_MAIN(TestRecordsPage)
#include "tst_recordspage.moc"
