#include "EnablingTable.h"
#include "app/CommandEnabling.h"

#include <QTest>

Q_DECLARE_METATYPE(ViewFlags)
Q_DECLARE_METATYPE(std::optional<TargetPage>)

namespace {

const QList<int> kAllToolbarCommands(kToolbarOrder.begin(), kToolbarOrder.end());

QList<int> EnabledIds(const EnablingPass& pass)
{
    QList<int> ids;
    for (const auto& [id, enabled] : pass.states) {
        if (enabled)
            ids << id;
    }
    return ids;
}

QList<int> InToolbarOrder(QList<int> ids)
{
    std::sort(ids.begin(), ids.end(), [](int a, int b) {
        return kAllToolbarCommands.indexOf(a) < kAllToolbarCommands.indexOf(b);
    });
    return ids;
}

ViewFlags Flags(int download, int remove, int threshold)
{
    return {quint8(download), quint8(remove), quint8(threshold)};
}

} // namespace

namespace QTest {
template <> char* toString(const ViewFlags& f)
{
    return qstrdup(QByteArray("download ") + QByteArray::number(f.downloadEnabled) + " delete " +
                   QByteArray::number(f.deleteEnabled) + " threshold " +
                   QByteArray::number(f.thresholdEnabled));
}
template <> char* toString(const std::optional<TargetPage>& t)
{
    return t ? toString(*t) : qstrdup("untouched");
}
} // namespace QTest

class TestCommandEnabling : public QObject
{
    Q_OBJECT

private slots:
    void passRunsTheRulesInToolbarOrder();
    void eachStateGivesTheOperatorsCommands_data();
    void eachStateGivesTheOperatorsCommands();
    void aSecondPassChangesNothing_data();
    void aSecondPassChangesNothing();
    void oneRuleAndItsSideEffects_data();
    void oneRuleAndItsSideEffects();
    void connectingOnTheCalibrationTabLeavesTheTargetAlone();
    void tabChange_data();
    void tabChange();
};

void TestCommandEnabling::passRunsTheRulesInToolbarOrder()
{
    const QList<int> expected{Cmd::Save,           Cmd::Open,
                              Cmd::Connect,        Cmd::Disconnect,
                              Cmd::DownloadData,   Cmd::DeleteCurrentData,
                              Cmd::DeleteAllData,  Cmd::DownloadThreshold,
                              Cmd::UploadThreshold};
    const EnablingPass pass = RunEnablingPass({}, DataTab, DataTab, {});
    QList<int> ids;
    for (const auto& state : pass.states)
        ids << state.first;
    QCOMPARE(ids, expected);
}

void TestCommandEnabling::eachStateGivesTheOperatorsCommands_data()
{
    AddEnablingRows();
}

void TestCommandEnabling::eachStateGivesTheOperatorsCommands()
{
    QFETCH(bool, connected);
    QFETCH(int, tab);
    QFETCH(bool, busy);
    QFETCH(int, records);
    QFETCH(QList<int>, enabled);
    QFETCH(TargetPage, target);

    // The operator picks the tab while no download runs, then a download may start.
    const LinkSnapshot idle{connected, false, qint16(records)};
    const TabChange change = ChangeTab(tab, DataTab, idle, {});
    QCOMPARE(change.index, tab);

    const LinkSnapshot now{connected, busy, qint16(records)};
    const EnablingPass pass = RunEnablingPass(now, tab, change.index, change.flags);
    QCOMPARE(EnabledIds(pass), InToolbarOrder(enabled));
    QCOMPARE(pass.target.value_or(change.target), target);
}

void TestCommandEnabling::aSecondPassChangesNothing_data()
{
    AddEnablingRows();
}

void TestCommandEnabling::aSecondPassChangesNothing()
{
    QFETCH(bool, connected);
    QFETCH(int, tab);
    QFETCH(bool, busy);
    QFETCH(int, records);

    const TabChange change = ChangeTab(tab, DataTab, {connected, false, qint16(records)}, {});
    const LinkSnapshot now{connected, busy, qint16(records)};
    const EnablingPass first = RunEnablingPass(now, tab, tab, change.flags);
    const EnablingPass second = RunEnablingPass(now, tab, tab, first.flags);
    QCOMPARE(second.states, first.states);
    QCOMPARE(second.flags, first.flags);
    QCOMPARE(second.target, first.target);
}

void TestCommandEnabling::oneRuleAndItsSideEffects_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<ViewFlags>("flagsBefore");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<ViewFlags>("flagsAfter");
    QTest::addColumn<std::optional<TargetPage>>("target");

    using namespace Cmd;
    const std::optional<TargetPage> none;
    const std::optional<TargetPage> data = TargetPage::Data;
    const std::optional<TargetPage> threshold = TargetPage::Threshold;

    QTest::newRow("download, data tab") << DownloadData << true << false << 0 << 0 << 0
                                        << Flags(0, 1, 1) << true << Flags(1, 1, 0) << data;
    // On another tab the rule leaves the flag as the tab change set it.
    QTest::newRow("download, threshold tab keeps the flag")
        << DownloadData << true << false << 0 << 1 << 1 << Flags(1, 0, 0) << true << Flags(1, 0, 0)
        << none;
    QTest::newRow("download while busy") << DownloadData << true << true << 0 << 0 << 0
                                         << Flags(1, 0, 1) << false << Flags(0, 0, 0) << data;
    QTest::newRow("download, not connected") << DownloadData << false << false << 0 << 1 << 1
                                             << Flags(1, 1, 1) << false << Flags(0, 1, 0) << data;
    QTest::newRow("threshold download, threshold tab")
        << DownloadThreshold << true << false << 0 << 1 << 1 << Flags(1, 0, 0) << true
        << Flags(0, 0, 1) << threshold;
    QTest::newRow("threshold download, calibration tab keeps the flag")
        << DownloadThreshold << true << false << 0 << 2 << 2 << Flags(0, 0, 1) << true
        << Flags(0, 0, 1) << none;
    QTest::newRow("threshold download, not connected")
        << DownloadThreshold << false << false << 0 << 0 << 0 << Flags(1, 1, 1) << false
        << Flags(0, 1, 0) << threshold;
    // Upload has no rule of its own: it follows the flag.
    QTest::newRow("upload follows the flag") << UploadThreshold << false << false << 0 << 0 << 0
                                             << Flags(0, 0, 1) << true << Flags(0, 0, 1) << none;
    QTest::newRow("upload, flag clear") << UploadThreshold << true << false << 0 << 1 << 1
                                        << Flags(0, 0, 0) << false << Flags(0, 0, 0) << none;
    QTest::newRow("delete current, records") << DeleteCurrentData << true << false << 3 << 0 << 0
                                             << Flags(0, 0, 0) << true << Flags(0, 1, 0) << none;
    QTest::newRow("delete all, records") << DeleteAllData << true << false << 3 << 0 << 0
                                         << Flags(0, 0, 0) << true << Flags(0, 1, 0) << none;
    QTest::newRow("delete current, no records")
        << DeleteCurrentData << true << false << 0 << 0 << 0 << Flags(0, 1, 0) << false
        << Flags(0, 0, 0) << none;
    QTest::newRow("delete all, negative count") << DeleteAllData << true << false << -2 << 0 << 0
                                                << Flags(0, 0, 0) << true << Flags(0, 1, 0) << none;
    QTest::newRow("delete, threshold tab") << DeleteAllData << true << false << 3 << 1 << 1
                                           << Flags(0, 1, 0) << false << Flags(0, 0, 0) << none;
    QTest::newRow("delete, busy") << DeleteCurrentData << true << true << 3 << 0 << 0
                                  << Flags(0, 1, 0) << false << Flags(0, 0, 0) << none;
    QTest::newRow("delete, not connected") << DeleteAllData << false << false << 3 << 0 << 0
                                           << Flags(0, 1, 0) << false << Flags(0, 0, 0) << none;
    QTest::newRow("connect, not connected") << Connect << false << false << 0 << 0 << 0
                                            << Flags(1, 1, 1) << true << Flags(1, 1, 1) << none;
    QTest::newRow("connect, connected") << Connect << true << false << 0 << 0 << 0 << Flags(0, 0, 0)
                                        << false << Flags(0, 0, 0) << none;
    QTest::newRow("disconnect, connected") << Disconnect << true << false << 0 << 2 << 2
                                           << Flags(0, 0, 0) << true << Flags(0, 0, 0) << none;
    QTest::newRow("disconnect, not connected") << Disconnect << false << false << 0 << 0 << 0
                                               << Flags(0, 0, 0) << false << Flags(0, 0, 0) << none;
    // Open and Save read the tab the view accepted, not the selection.
    QTest::newRow("save, accepted data tab") << Save << false << false << 0 << 1 << 0
                                             << Flags(0, 0, 0) << true << Flags(0, 0, 0) << none;
    QTest::newRow("open, accepted threshold tab")
        << Open << false << false << 0 << 0 << 1 << Flags(0, 0, 0) << false << Flags(0, 0, 0)
        << none;
    QTest::newRow("open while busy")
        << Open << true << true << 0 << 0 << 0 << Flags(0, 0, 0) << false << Flags(0, 0, 0) << none;
    QTest::newRow("help has no rule")
        << Help << false << true << 0 << 2 << 2 << Flags(0, 0, 0) << true << Flags(0, 0, 0) << none;
    QTest::newRow("about has no rule")
        << About << true << true << 0 << 1 << 1 << Flags(1, 1, 1) << true << Flags(1, 1, 1) << none;
}

void TestCommandEnabling::oneRuleAndItsSideEffects()
{
    QFETCH(int, command);
    QFETCH(bool, connected);
    QFETCH(bool, busy);
    QFETCH(int, records);
    QFETCH(int, selected);
    QFETCH(int, current);
    QFETCH(ViewFlags, flagsBefore);
    QFETCH(bool, enabled);
    QFETCH(ViewFlags, flagsAfter);
    QFETCH(std::optional<TargetPage>, target);

    CommandEnabling rules({connected, busy, qint16(records)}, selected, current, flagsBefore);
    QCOMPARE(rules.Rule(command), enabled);
    QCOMPARE(rules.Flags(), flagsAfter);
    QCOMPARE(rules.Target(), target);
}

void TestCommandEnabling::connectingOnTheCalibrationTabLeavesTheTargetAlone()
{
    // Disconnected, the idle pass points the link at the threshold page whatever the tab.
    const TabChange change = ChangeTab(CalibrationTab, DataTab, {}, {});
    QCOMPARE(change.target, TargetPage::Calibration);
    const EnablingPass offline = RunEnablingPass({}, CalibrationTab, CalibrationTab, change.flags);
    QCOMPARE(offline.target, std::optional<TargetPage>(TargetPage::Threshold));

    // Once connected on the calibration tab no rule names a page: the link stays on the
    // threshold page until the tab changes.
    const EnablingPass online =
        RunEnablingPass({true, false, 4}, CalibrationTab, CalibrationTab, offline.flags);
    QCOMPARE(online.target, std::optional<TargetPage>());
    QCOMPARE(EnabledIds(online), QList<int>{Cmd::Disconnect});
}

void TestCommandEnabling::tabChange_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("index");
    QTest::addColumn<ViewFlags>("flags");
    QTest::addColumn<TargetPage>("target");

    // Flags before every change: all set, so "unchanged" is visible.
    QTest::newRow("to data, connected")
        << 0 << 1 << true << false << 0 << Flags(1, 0, 0) << TargetPage::Data;
    QTest::newRow("to data, not connected")
        << 0 << 1 << false << false << 0 << Flags(1, 1, 1) << TargetPage::Data;
    QTest::newRow("to threshold, connected")
        << 1 << 0 << true << false << 1 << Flags(0, 0, 1) << TargetPage::Threshold;
    QTest::newRow("to threshold, not connected")
        << 1 << 0 << false << false << 1 << Flags(1, 1, 1) << TargetPage::Threshold;
    QTest::newRow("to calibration, connected")
        << 2 << 0 << true << false << 2 << Flags(0, 0, 0) << TargetPage::Calibration;
    QTest::newRow("to calibration, not connected")
        << 2 << 1 << false << false << 2 << Flags(0, 0, 0) << TargetPage::Calibration;
    // A running download keeps the accepted tab and acts on it again.
    QTest::newRow("busy, threshold refused")
        << 1 << 0 << true << true << 0 << Flags(1, 0, 0) << TargetPage::Data;
    QTest::newRow("busy, calibration refused")
        << 2 << 0 << true << true << 0 << Flags(1, 0, 0) << TargetPage::Data;
    QTest::newRow("busy, not connected, refused")
        << 2 << 0 << false << true << 0 << Flags(1, 1, 1) << TargetPage::Data;
    QTest::newRow("busy, same tab")
        << 0 << 0 << true << true << 0 << Flags(1, 0, 0) << TargetPage::Data;
}

void TestCommandEnabling::tabChange()
{
    QFETCH(int, requested);
    QFETCH(int, current);
    QFETCH(bool, connected);
    QFETCH(bool, busy);
    QFETCH(int, index);
    QFETCH(ViewFlags, flags);
    QFETCH(TargetPage, target);

    const TabChange change = ChangeTab(requested, current, {connected, busy, 5}, Flags(1, 1, 1));
    QCOMPARE(change.index, index);
    QCOMPARE(change.flags, flags);
    QCOMPARE(change.target, target);
}

QTEST_APPLESS_MAIN(TestCommandEnabling)
#include "tst_commandenabling.moc"
