// The verdict rule: each power against its channel's limits in the record's group, and
// the record's verdict as the worst of its four channels. What the power chart draws of a
// table: lines broken where there is no plausible reading, axes bounded whatever a cell
// holds.
#include "protocol/CommandFrame.h"
#include "thresholds/ThresholdTable.h"
#include "verdicts/ChartPlan.h"
#include "verdicts/RecordRow.h"
#include "verdicts/Verdict.h"

#include <QTest>

namespace {

QString Names(const RowVerdict& verdict)
{
    QStringList names;
    for (const std::optional<Verdict>& channel : verdict.channels)
        names << (channel ? VerdictName(*channel) : QStringLiteral("-"));
    names << (verdict.record ? VerdictName(*verdict.record) : QStringLiteral("-"));
    return names.join(QLatin1Char(' '));
}

// Group 1 downloaded: Over -8, Pass -27, Fail -28, but 1270 nm Over -10, Pass -20, Fail -25.
// Group 2: only parts 1 and 2 arrived. Group 3 built into upload frames from the cells:
// Over -5, Pass -27.3, Fail -30 everywhere.
ThresholdTable Thresholds()
{
    ThresholdTable table;
    StoreThresholdAnswer(table, 1, {1, {-8, -27, -28, -8, -27, -28}, {}});
    StoreThresholdAnswer(table, 2, {1, {-8, -27, -28}, {}});
    StoreThresholdAnswer(table, 3, {1, {-10, -20, -25}, {}});
    StoreThresholdAnswer(table, 1, {2, {-8, -27, -28, -8, -27, -28}, {}});
    StoreThresholdAnswer(table, 2, {2, {-8, -27, -28}, {}});
    CommandFrame frame;
    const QStringList limits{"-5", "-27.3", "-30"};
    FillUploadPart(frame, table, 1, 3, limits + limits);
    FillUploadPart(frame, table, 2, 3, limits);
    FillUploadPart(frame, table, 3, 3, limits);
    return table;
}

// "1 2 | 4": the record numbers of each run of a line.
QString RunsText(const QList<QList<QPointF>>& runs)
{
    QStringList texts;
    for (const QList<QPointF>& run : runs) {
        QStringList xs;
        for (const QPointF& point : run)
            xs << QString::number(point.x());
        texts << xs.join(QLatin1Char(' '));
    }
    return texts.join(QStringLiteral(" | "));
}

} // namespace

class TestVerdict : public QObject
{
    Q_OBJECT

private slots:
    void readingsAreJudgedByTheirGroupsLimits_data()
    {
        QTest::addColumn<QStringList>("powers"); // 1270, 1310, 1490, 1577 nm
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("verdicts"); // the four channels, then the record
        QTest::addColumn<int>("unknownLimit"); // a limit of group 1 the meter sent as NaN; -1

        const QString ok = QStringLiteral("   -15.00"); // passes every channel of group 1
        const auto with1310 = [&ok](const char* p) {
            return QStringList{ok, p, ok, ok};
        };
        QTest::newRow("at Over") << with1310("   -8.00") << "1"
                                 << "Pass Pass Pass Pass Pass" << -1;
        QTest::newRow("above Over") << with1310("   -7.99") << "1"
                                    << "Pass Over Pass Pass Over" << -1;
        QTest::newRow("at Pass") << with1310("   -27.00") << "1"
                                 << "Pass Pass Pass Pass Pass" << -1;
        QTest::newRow("below Pass") << with1310("   -27.01") << "1"
                                    << "Pass Marginal Pass Pass Marginal" << -1;
        QTest::newRow("above Fail") << with1310("   -27.99") << "1"
                                    << "Pass Marginal Pass Pass Marginal" << -1;
        QTest::newRow("at Fail") << with1310("   -28.00") << "1"
                                 << "Pass Fail Pass Pass Fail" << -1;
        QTest::newRow("LOW") << with1310("LOW") << "1"
                             << "Pass Fail Pass Pass Fail" << -1;
        QTest::newRow("1270 nm has its own limits") << QStringList{"   -22.00", ok, ok, ok} << "1"
                                                    << "Marginal Pass Pass Pass Marginal" << -1;
        QTest::newRow("over is worse than marginal")
            << QStringList{ok, "   -7.00", "   -27.50", ok} << "1"
            << "Pass Over Marginal Pass Over" << -1;
        QTest::newRow("fail is worse than over") << QStringList{ok, "   -5.00", ok, "LOW"} << "1"
                                                 << "Pass Over Pass Fail Fail" << -1;
        QTest::newRow("imported texts, -27.3 meets Pass -27.3")
            << QStringList{"-27.3", "-12.3", "-5", "-29.99"} << "3"
            << "Pass Pass Pass Marginal Marginal" << -1;
        QTest::newRow("a text that is no number") << QStringList{ok, "n/a", ok, ok} << "1"
                                                  << "Pass - Pass Pass -" << -1;
        QTest::newRow("no number, but another channel fails")
            << QStringList{ok, "n/a", "LOW", ok} << "1"
            << "Pass - Fail Pass Fail" << -1;
        QTest::newRow("missing group") << with1310("LOW") << ""
                                       << "- - - - -" << -1;
        QTest::newRow("group 0") << with1310("LOW") << "0"
                                 << "- - - - -" << -1;
        QTest::newRow("group 4") << with1310("LOW") << "4"
                                 << "- - - - -" << -1;
        QTest::newRow("group not whole") << with1310("LOW") << "1.5"
                                         << "- - - - -" << -1;
        for (const char* huge : {"1e999", "-1e999", "inf", "4294967297"})
            QTest::addRow("group %s", huge) << with1310("LOW") << huge << "- - - - -" << -1;
        QTest::newRow("group with two parts only") << with1310("LOW") << "2"
                                                   << "- - - - -" << -1;
        QTest::newRow("an unknown limit judges nothing") << with1310("   -15.00") << "1"
                                                         << "Pass - Pass Pass -" << 0;
        QTest::newRow("an unknown limit, another channel fails")
            << QStringList{ok, "LOW", "LOW", ok} << "1"
            << "Pass - Fail Pass Fail" << 2;
    }
    void readingsAreJudgedByTheirGroupsLimits()
    {
        QFETCH(QStringList, powers);
        QFETCH(QString, group);
        QFETCH(QString, verdicts);
        QFETCH(int, unknownLimit);

        ThresholdTable thresholds = Thresholds();
        if (unknownLimit >= 0)
            thresholds.Group(1).limits[static_cast<size_t>(unknownLimit)] =
                std::numeric_limits<float>::quiet_NaN();
        const QStringList row = QStringList{"   1"} + powers + QStringList{group, "2024-3-1 9:05"};
        QCOMPARE(Names(JudgeRow(row, thresholds)), verdicts);
    }

    // Limits out of order still judge; the tooltip says on what.
    void toolTipSaysWhenTheLimitsAreOutOfOrder_data()
    {
        QTest::addColumn<float>("over");
        QTest::addColumn<float>("pass");
        QTest::addColumn<float>("fail");
        QTest::addColumn<QString>("second"); // the tooltip's second line; empty: none
        QTest::newRow("in order") << -8.0f << -24.0f << -27.0f << "";
        QTest::newRow("Over below Pass")
            << -30.0f << -24.0f << -27.0f
            << "The limits are out of order: Over -30.00 is below Pass -24.00";
        QTest::newRow("Fail above Pass")
            << -8.0f << -24.0f << -20.0f
            << "The limits are out of order: Fail -20.00 is above Pass -24.00";
    }
    void toolTipSaysWhenTheLimitsAreOutOfOrder()
    {
        QFETCH(float, over);
        QFETCH(float, pass);
        QFETCH(float, fail);
        QFETCH(QString, second);
        const QStringList lines = VerdictToolTip(Verdict::Pass, 2, {over, pass, fail}).split('\n');
        QVERIFY(lines[0].startsWith("Pass (threshold group 2: Over "));
        QCOMPARE(lines.value(1), second);
    }

    void theChartBreaksItsLinesAndBoundsItsAxes_data()
    {
        QTest::addColumn<QStringList>("numbers"); // "No." texts; empty: 1, 2, 3, ...
        QTest::addColumn<QStringList>("powers");  // ONT:1270nm; the other channels -20
        QTest::addColumn<QList<float>>("limits"); // group 1's Over, Pass, Fail; empty: unknown
        QTest::addColumn<bool>("allChannels");
        QTest::addColumn<QString>("runs");       // record numbers of the 1270 nm line's runs
        QTest::addColumn<QString>("marks");      // LOW marks, then readings off the scale
        QTest::addColumn<QList<double>>("axes"); // record axis from, to; power axis from, to

        using Powers = QStringList;
        using Axes = QList<double>;
        QTest::newRow("a line without gaps")
            << Powers{} << Powers{"-12", "-15", "-14"} << QList<float>{} << false << "1 2 3"
            << "low: | off:" << Axes{0, 4, -25, -10};
        QTest::newRow("a LOW breaks the line")
            << Powers{} << Powers{"   -12.00", "   -15.00", "LOW", "   -14.00"} << QList<float>{}
            << false << "1 2 | 4"
            << "low: 3 | off:" << Axes{0, 5, -25, -10};
        QTest::newRow("a text that is no number breaks it too")
            << Powers{} << Powers{"-12", "", "-14"} << QList<float>{} << false << "1 | 3"
            << "low: | off:" << Axes{0, 4, -20, -10};
        QTest::newRow("1e9 is off the scale, not on the axis")
            << Powers{} << Powers{"-12", "1e9", "-14"} << QList<float>{} << false << "1 | 3"
            << "low: | off: 2" << Axes{0, 4, -20, -5};
        QTest::newRow("so are 1e5, -1e5 and an infinite power")
            << Powers{} << Powers{"1e5", "-1e5", "1e999", "-30"} << QList<float>{} << false << "4"
            << "low: | off: 1 2 3" << Axes{0, 5, -40, -25};
        QTest::newRow("the plausible range is kept")
            << Powers{} << Powers{"-70", "35", "-70.01", "35.01"} << QList<float>{} << false
            << "1 2"
            << "low: | off: 3 4" << Axes{0, 5, -80, 40};
        QTest::newRow("nothing to draw")
            << Powers{} << Powers{"LOW"} << QList<float>{} << false << ""
            << "low: 1 | off:" << Axes{0, 2, -60, 5};
        QTest::newRow("a record number beyond the rows takes the row's place")
            << Powers{"1", "1e9", "3"} << Powers{"-12", "-13", "-14"} << QList<float>{} << false
            << "1 2 3"
            << "low: | off:" << Axes{0, 4, -20, -10};
        QTest::newRow("records thinned out are drawn at their own numbers")
            << Powers{"1", "2", "3", "6", "7"} << Powers{"-12", "-13", "-14", "-15", "-16"}
            << QList<float>{} << false << "1 2 3 6 7"
            << "low: | off:" << Axes{0, 8, -25, -10};
        QTest::newRow("the line runs by number, whatever the rows' order")
            << Powers{"12", "10", "11", "9"} << Powers{"-12", "LOW", "-14", "-15"} << QList<float>{}
            << false << "9 | 11 12"
            << "low: 10 | off:" << Axes{8, 13, -25, -10};
        QTest::newRow("a number twice: the rows' places")
            << Powers{"4", "4", "6"} << Powers{"-12", "-13", "-14"} << QList<float>{} << false
            << "1 2 3"
            << "low: | off:" << Axes{0, 4, -20, -10};
        QTest::newRow("the limits size the axis")
            << Powers{} << Powers{"-12"} << QList<float>{-8, -27, -28} << false << "1"
            << "low: | off:" << Axes{0, 2, -35, -5};
        QTest::newRow("a limit off the scale does not")
            << Powers{} << Powers{"-12"} << QList<float>{1e9f, -27, -28} << false << "1"
            << "low: | off:" << Axes{0, 2, -35, -10};
        QTest::newRow("all channels: no limits") << Powers{} << Powers{"-12", "LOW", "-14"}
                                                 << QList<float>{-8, -27, -28} << true << "1 | 3"
                                                 << "low: 2 | off:" << Axes{0, 4, -30, -10};
    }
    void theChartBreaksItsLinesAndBoundsItsAxes()
    {
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, powers);
        QFETCH(QList<float>, limits);
        QFETCH(bool, allChannels);
        QFETCH(QString, runs);
        QFETCH(QString, marks);
        QFETCH(QList<double>, axes);

        QList<QStringList> rows;
        for (int r = 0; r < powers.size(); ++r) {
            const QString number = numbers.value(r, QString::number(r + 1));
            rows << QStringList{number, powers[r], "-20", "-20", "-20", "1", "2024-3-1 9:05"};
        }
        ThresholdTable thresholds;
        if (!limits.isEmpty()) {
            QList<float> all;
            for (int channel = 0; channel < 4; ++channel)
                all += limits;
            StoreThresholdAnswer(thresholds, 1, {1, all.mid(0, 6), {}});
            StoreThresholdAnswer(thresholds, 2, {1, all.mid(6, 3), {}});
            StoreThresholdAnswer(thresholds, 3, {1, all.mid(9, 3), {}});
        }
        ChartChoice choice;
        choice.allChannels = allChannels;

        const ChartPlan plan =
            PlanChart(JudgeRows(RecordRowsOfTexts(rows), thresholds), thresholds, choice);
        const ChannelPlan& drawn = plan.channels[0];
        QCOMPARE(RunsText(drawn.runs), runs);
        QStringList lows{"low:"};
        for (double x : drawn.lowAt)
            lows << QString::number(x);
        QStringList off{"off:"};
        for (const OffScaleReading& reading : drawn.offScale)
            off << QString::number(reading.x);
        QCOMPARE(lows.join(' ') + " | " + off.join(' '), marks);
        QCOMPARE((QList<double>{plan.firstX, plan.lastX, plan.bottom, plan.top}), axes);
        for (int c = 1; c < kPowerColumns; ++c)
            QCOMPARE(plan.channels[c].shown, allChannels);
        QCOMPARE(plan.limits.has_value(), !limits.isEmpty() && !allChannels);
    }

    void theChartJudgesEachReadingByItsOwnGroup_data()
    {
        QTest::addColumn<QStringList>("groups"); // each row's "Threshold Name"
        QTest::addColumn<int>("chosen");         // the group whose lines are asked for
        QTest::addColumn<bool>("lines");
        QTest::addColumn<QString>("judged"); // the 1270 nm readings: number and verdict

        // Each row reads -22 dBm; group 1 passes it, group 3 finds it marginal.
        QTest::newRow("one group: its lines")
            << QStringList{"1", "1"} << 1 << true << "1:Pass 2:Pass";
        QTest::newRow("several groups: no lines, each reading by its own group")
            << QStringList{"1", "3"} << 1 << false << "1:Pass 2:Marginal";
        QTest::newRow("another group than the chosen one: no lines")
            << QStringList{"3", "3"} << 1 << false << "1:Marginal 2:Marginal";
        QTest::newRow("a record without a group has no verdict")
            << QStringList{"1", "x"} << 1 << true << "1:Pass";
        QTest::newRow("nor has one of an unknown group")
            << QStringList{"2", "2"} << 2 << false << "";
    }
    void theChartJudgesEachReadingByItsOwnGroup()
    {
        QFETCH(QStringList, groups);
        QFETCH(int, chosen);
        QFETCH(bool, lines);
        QFETCH(QString, judged);

        ThresholdTable thresholds;
        for (const auto& [group, limits] : {std::pair{1, QList<float>{-8, -27, -28}},
                                            std::pair{3, QList<float>{-10, -20, -25}}}) {
            const QList<float> all = limits + limits + limits + limits;
            StoreThresholdAnswer(thresholds, 1, {quint8(group), all.mid(0, 6), {}});
            StoreThresholdAnswer(thresholds, 2, {quint8(group), all.mid(6, 3), {}});
            StoreThresholdAnswer(thresholds, 3, {quint8(group), all.mid(9, 3), {}});
        }
        QList<QStringList> rows;
        for (int r = 0; r < groups.size(); ++r)
            rows << QStringList{QString::number(r + 1), "-22", "-22", "-22", "-22", groups[r],
                                "2024-3-1 9:05"};
        ChartChoice choice;
        choice.group = chosen;

        const ChartPlan plan =
            PlanChart(JudgeRows(RecordRowsOfTexts(rows), thresholds), thresholds, choice);
        QCOMPARE(plan.limits.has_value(), lines);
        QStringList texts;
        for (const JudgedReading& reading : plan.channels[0].judged)
            texts << QString::number(reading.x) + ':' + VerdictName(reading.verdict);
        QCOMPARE(texts.join(' '), judged);
    }
};

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
