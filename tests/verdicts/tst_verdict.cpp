// The verdict rule: each power against its channel's limits in the record's group, and
// the record's verdict as the worst of its four channels.
#include "link/CommandFrame.h"
#include "thresholds/ThresholdTable.h"
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

        const QString ok = QStringLiteral("   -15.00"); // passes every channel of group 1
        const auto with1310 = [&ok](const char* p) {
            return QStringList{ok, p, ok, ok};
        };
        QTest::newRow("at Over") << with1310("   -8.00") << "1"
                                 << "Pass Pass Pass Pass Pass";
        QTest::newRow("above Over") << with1310("   -7.99") << "1"
                                    << "Pass Over Pass Pass Over";
        QTest::newRow("at Pass") << with1310("   -27.00") << "1"
                                 << "Pass Pass Pass Pass Pass";
        QTest::newRow("below Pass") << with1310("   -27.01") << "1"
                                    << "Pass Marginal Pass Pass Marginal";
        QTest::newRow("above Fail") << with1310("   -27.99") << "1"
                                    << "Pass Marginal Pass Pass Marginal";
        QTest::newRow("at Fail") << with1310("   -28.00") << "1"
                                 << "Pass Fail Pass Pass Fail";
        QTest::newRow("LOW") << with1310("LOW") << "1"
                             << "Pass Fail Pass Pass Fail";
        QTest::newRow("1270 nm has its own limits") << QStringList{"   -22.00", ok, ok, ok} << "1"
                                                    << "Marginal Pass Pass Pass Marginal";
        QTest::newRow("over is worse than marginal")
            << QStringList{ok, "   -7.00", "   -27.50", ok} << "1"
            << "Pass Over Marginal Pass Over";
        QTest::newRow("fail is worse than over") << QStringList{ok, "   -5.00", ok, "LOW"} << "1"
                                                 << "Pass Over Pass Fail Fail";
        QTest::newRow("imported texts, -27.3 meets Pass -27.3")
            << QStringList{"-27.3", "-12.3", "-5", "-29.99"} << "3"
            << "Pass Pass Pass Marginal Marginal";
        QTest::newRow("a text that is no number") << QStringList{ok, "n/a", ok, ok} << "1"
                                                  << "Pass - Pass Pass -";
        QTest::newRow("no number, but another channel fails")
            << QStringList{ok, "n/a", "LOW", ok} << "1"
            << "Pass - Fail Pass Fail";
        QTest::newRow("missing group") << with1310("LOW") << ""
                                       << "- - - - -";
        QTest::newRow("group 0") << with1310("LOW") << "0"
                                 << "- - - - -";
        QTest::newRow("group 4") << with1310("LOW") << "4"
                                 << "- - - - -";
        QTest::newRow("group not whole") << with1310("LOW") << "1.5"
                                         << "- - - - -";
        QTest::newRow("group with two parts only") << with1310("LOW") << "2"
                                                   << "- - - - -";
    }
    void readingsAreJudgedByTheirGroupsLimits()
    {
        QFETCH(QStringList, powers);
        QFETCH(QString, group);
        QFETCH(QString, verdicts);

        const QStringList row = QStringList{"   1"} + powers + QStringList{group, "2024-3-1 9:05"};
        QCOMPARE(Names(JudgeRow(row, Thresholds())), verdicts);
    }
};

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
