// Verdicts as the operator sees them: the threshold page's limits reach the data page
// through the view, the power cells take their colours and tooltips, the line under the
// table counts the records, and the power chart follows the table.
#include "FakePrompter.h"
#include "app/MainView.h"
#include "common/ExportFile.h"
#include "link/CommandFrame.h"
#include "link/DeviceLink.h"
#include "records/RecordsPage.h"
#include "sim/VirtualMeter.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdsPage.h"
#include "verdicts/PowerChartWindow.h"

#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

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
    for (int c = 0; c < kPowerColumns; ++c)
        counts << qMakePair(int(chart.Readings(c)->count()), int(chart.LowMarks(c)->count()));
    return counts;
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

        view->Thresholds()->LoadFromFile(dialogs);
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

        QCOMPARE(dialogs.filters, QStringList{chartImageFilter});
        QCOMPARE(prompter.Texts(), QStringList{ExportText::Succeeded});
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
