// Verdicts as the operator sees them: the threshold page's limits reach the data page
// through the view, the power cells take their colours and tooltips, the line under the
// table counts the records, and the power chart follows the table, stays bounded whatever
// a cell holds and closes with its keys.
#include "FakePrompter.h"
#include "app/MainView.h"
#include "common/ExportFile.h"
#include "export/CsvExport.h"
#include "export/TableTexts.h"
#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "records/RecordsPage.h"
#include "sim/VirtualMeter.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdsPage.h"
#include "verdicts/PowerChartWindow.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

namespace {

QByteArray Ask(VirtualMeter& meter, void (CommandFrame::*request)(quint8), quint8 group)
{
    CommandFrame frame;
    (frame.*request)(group);
    frame.Complete();
    return meter.Answer(frame.ToByteArray()).value_or(QByteArray());
}

QByteArray AskRecord(VirtualMeter& meter, quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    frame.Complete();
    return meter.Answer(frame.ToByteArray()).value_or(QByteArray());
}

// Readings per power column of the table's texts: [numbers, LOW].
QList<QPair<int, int>> ReadingCounts(const RecordTable& table)
{
    QList<QPair<int, int>> counts(kPowerColumns);
    for (const QStringList& row : table.Rows()) {
        for (int c = 0; c < kPowerColumns; ++c) {
            const bool low = row[kFirstPowerColumn + c] == QStringLiteral("LOW");
            (low ? counts[c].second : counts[c].first) += 1;
        }
    }
    return counts;
}

QList<QPair<int, int>> SeriesCounts(const PowerChart& chart)
{
    QList<QPair<int, int>> counts;
    for (int c = 0; c < kPowerColumns; ++c) {
        int points = 0;
        for (const QLineSeries* run : chart.Runs(c))
            points += run->count();
        counts << qMakePair(points, int(chart.LowMarks(c)->count()));
    }
    return counts;
}

void ChooseChannel(PowerChartWindow& window, int index)
{
    window.ChannelChoice()->setCurrentIndex(index);
    Q_EMIT window.ChannelChoice()->activated(index);
}

} // namespace

class TestVerdictDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        link = std::make_unique<DeviceLink>();
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
        view = std::make_unique<MainView>(*link, prompter, dialogs);
        MeterOptions options;
        options.records = 30;
        options.seed = 5;
        meter = std::make_unique<VirtualMeter>(options);
    }
    void cleanup()
    {
        view.reset();
        link.reset();
    }

    void recordsOfAKnownGroupShowTheirVerdicts()
    {
        RecordsPage& page = *view->Records();
        for (quint16 i = 0; i < meter->Records().size(); ++i)
            page.OnMeterRecord(AskRecord(*meter, i));
        const QAbstractItemModel& shown = *page.List()->model();
        const auto background = [&shown](int row, int column) {
            return shown.index(row, column).data(Qt::BackgroundRole);
        };
        QVERIFY(!background(0, kFirstPowerColumn).isValid());
        QVERIFY(page.VerdictSummary()->isHidden());

        for (int part = 1; part <= 3; ++part) {
            void (CommandFrame::*requests[])(quint8) = {&CommandFrame::RequestThresholdPart1,
                                                        &CommandFrame::RequestThresholdPart2,
                                                        &CommandFrame::RequestThresholdPart3};
            view->Thresholds()->OnThresholdPart(part, Ask(*meter, requests[part - 1], 1));
        }

        int otherGroups = 0;
        for (int row = 0; row < shown.rowCount(); ++row) {
            const bool groupOne = shown.index(row, kGroupColumn).data() == QStringLiteral("1");
            otherGroups += groupOne ? 0 : 1;
            for (int column = 0; column < shown.columnCount(); ++column) {
                const bool judged = groupOne && IsPowerColumn(column);
                QCOMPARE(background(row, column).isValid(), judged);
                const QString tip = shown.index(row, column).data(Qt::ToolTipRole).toString();
                QCOMPARE(tip.contains(QStringLiteral("threshold group 1: Over ")), judged);
            }
        }
        QVERIFY(otherGroups > 0 && otherGroups < shown.rowCount());
        QTRY_VERIFY(!page.VerdictSummary()->isHidden());
        QVERIFY(page.VerdictSummary()->text().endsWith(
            QStringLiteral("No verdict: %1").arg(otherGroups)));
        // The table's own texts are untouched.
        QCOMPARE(shown.index(0, 0).data().toString(), QStringLiteral("   1"));
    }

    void aLoadedThresholdFileJudgesTheRecords()
    {
        RecordsPage& page = *view->Records();
        for (quint16 i = 0; i < meter->Records().size(); ++i)
            page.OnMeterRecord(AskRecord(*meter, i));
        QTemporaryDir dir;
        ThresholdFile file;
        for (int g = 1; g <= ThresholdTable::kGroups; ++g)
            file.table.Group(g).limits.fill(-20.0f);
        dialogs.openPath = dir.filePath(QStringLiteral("limits.json"));
        QVERIFY(WriteThresholdFile(dialogs.openPath, file, nullptr));

        file.names[0] = QStringLiteral("GPON-B+");
        QVERIFY(WriteThresholdFile(dialogs.openPath, file, nullptr));

        view->Thresholds()->LoadFromFile(dialogs);
        QCOMPARE(page.Limits().Name(1), QStringLiteral("GPON-B+"));
        const QAbstractItemModel& shown = *page.List()->model();
        for (int row = 0; row < shown.rowCount(); ++row)
            QVERIFY(shown.index(row, kFirstPowerColumn).data(Qt::BackgroundRole).isValid());
        QTRY_VERIFY(!page.VerdictSummary()->isHidden());
    }

    void theChartFollowsADownloadAndADelete()
    {
        view->OnViewPowerChart();
        PowerChartWindow* window = view->ChartWindow();
        QVERIFY(window && window->isVisible());
        const PowerChart& chart = *window->Chart();
        ChooseChannel(*window, kPowerColumns); // all channels
        RecordsPage& page = *view->Records();
        QCOMPARE(SeriesCounts(chart), ReadingCounts(page.Table()));

        for (quint16 i = 0; i < meter->Records().size(); ++i)
            page.OnMeterRecord(AskRecord(*meter, i));
        const QList<QPair<int, int>> downloaded = ReadingCounts(page.Table());
        QTRY_COMPARE(SeriesCounts(chart), downloaded);
        int lows = 0;
        for (const auto& [numbers, low] : downloaded)
            lows += low;
        QVERIFY(lows > 0);
        // No limits known yet: no lines.
        QCOMPARE(chart.LimitLine(0)->count(), 0);

        page.OnRecordDeleted(page.Table().RowCount());
        QCOMPARE(page.Table().RowCount(), meter->Records().size() - 1);
        QTRY_COMPARE(SeriesCounts(chart), ReadingCounts(page.Table()));
    }

    // An imported file may hold any number: the chart open beside the import and the report
    // stay within their bounds and name the value.
    void aPowerOffTheScaleLeavesChartAndReportBounded()
    {
        view->OnViewPowerChart();
        const PowerChart& chart = *view->ChartWindow()->Chart();
        RecordsPage& page = *view->Records();
        for (quint16 i = 0; i < 5; ++i)
            page.OnMeterRecord(AskRecord(*meter, i));
        TableTexts texts = page.Table().Texts();
        texts.rows[2][kFirstPowerColumn] = QStringLiteral("1e9");
        QTemporaryDir dir;
        dialogs.openPath = dir.filePath(QStringLiteral("implausible.csv"));
        QFile file(dialogs.openPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BuildCsv(texts));
        file.close();

        page.OnImportSheet();
        const QScatterSeries* off = chart.OffScaleMarks(0);
        QTRY_COMPARE(off->count(), 1);
        QVERIFY2(off->name().contains(QStringLiteral("No. 3 (1e+09 dBm)")),
                 qPrintable(off->name()));
        // Named in the legend, which holds the channel and this mark (the records refer to
        // several groups, so no group's limits are drawn).
        const auto shown = [&chart] {
            QStringList labels;
            for (const QLegendMarker* marker : chart.legend()->markers())
                if (marker->isVisible())
                    labels << marker->label();
            return labels;
        };
        QTRY_COMPARE(shown(), (QStringList{"ONT:1270nm", off->name()}));
        QCOMPARE(off->at(0).y(), chart.PowerAxis()->max() - 1.5);
        QVERIFY(chart.PowerAxis()->min() >= kPlotLowestPower - 10);
        QVERIFY(chart.PowerAxis()->max() <= kPlotHighestPower + 5);
        QCOMPARE(chart.RecordAxis()->max(), 6.0);

        dialogs.savePath = dir.filePath(QStringLiteral("report.pdf"));
        view->OnFileExportReport();
        QCOMPARE(prompter.Texts().last(), ExportText::Succeeded());
    }

    void theChartWindowClosesWithItsKeys_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::newRow("Escape") << QKeyCombination(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeyCombination(Qt::CTRL | Qt::Key_W);
    }
    void theChartWindowClosesWithItsKeys()
    {
        QFETCH(QKeyCombination, keys);
        view->OnViewPowerChart();
        PowerChartWindow* window = view->ChartWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, keys.key(), keys.keyboardModifiers());
        QVERIFY(!window->isVisible());
    }

    void theReportDrawsTheChartWindowsChoiceWhileItIsOpen()
    {
        QCOMPARE(view->ReportChartChoice(), std::nullopt);
        view->OnViewPowerChart();
        PowerChartWindow& window = *view->ChartWindow();
        ChooseChannel(window, 2); // OLT:1490nm
        window.GroupChoice()->setCurrentIndex(2);
        Q_EMIT window.GroupChoice()->activated(2);
        QCOMPARE(view->ReportChartChoice(), (ChartChoice{3, 3, false}));
        ChooseChannel(window, kPowerColumns);
        QVERIFY(view->ReportChartChoice()->allChannels);
        window.close();
        QCOMPARE(view->ReportChartChoice(), std::nullopt);
    }

    void theChartIsSavedAsPngOrSvg_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("no extension: PNG") << "chart"
                                           << "chart.png" << QByteArray("\x89PNG");
        QTest::newRow("svg") << "chart.svg"
                             << "chart.svg" << QByteArray("<?xml");
    }
    void theChartIsSavedAsPngOrSvg()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);

        const QTemporaryDir folder;
        dialogs.savePath = folder.filePath(chosen);
        view->OnViewPowerChart();
        view->ChartWindow()->SaveButton()->click();

        QCOMPARE(dialogs.filters, QStringList{chartImageFilter()});
        QCOMPARE(prompter.Texts(), QStringList{ExportText::Succeeded()});
        QFile file(folder.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(start));
    }

private:
    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<MainView> view;
    std::unique_ptr<VirtualMeter> meter;
};

QTEST_MAIN(TestVerdictDisplay)
#include "tst_verdictdisplay.moc"
