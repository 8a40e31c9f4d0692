#include "app/CommandEnabling.h"

#include <QTest>

Q_DECLARE_METATYPE(TargetPage)

class TestCommandEnabling : public QObject
{
    Q_OBJECT

private slots:
    void eachStateGivesItsCommandsAndTarget_data();
    void eachStateGivesItsCommandsAndTarget();
};

// Every combination of link state, selected tab, running download and stored record count:
// the commands the operator may choose (in toolbar order) and the page that receives the
// meter's answers after the idle pass.
void TestCommandEnabling::eachStateGivesItsCommandsAndTarget_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<TargetPage>("target");

    using namespace Cmd;
    const auto row = [](const char* name, bool connected, int tab, bool busy, int records,
                        const QList<int>& enabled, TargetPage target) {
        QTest::newRow(name) << connected << tab << busy << records << enabled << target;
    };
    const TargetPage data = TargetPage::Data;
    const TargetPage threshold = TargetPage::Threshold;
    const TargetPage calibration = TargetPage::Calibration;

    // Not connected: Connect, and Open/Save on the data tab while no download runs. The
    // threshold rule runs last and leaves the threshold page as the target.
    row("off data", false, DataTab, false, 0, {Save, Open, Connect}, threshold);
    row("off data records", false, DataTab, false, 7, {Save, Open, Connect}, threshold);
    row("off data busy", false, DataTab, true, 0, {Connect}, threshold);
    row("off data busy records", false, DataTab, true, 7, {Connect}, threshold);
    row("off threshold", false, ThresholdTab, false, 0, {Connect}, threshold);
    row("off threshold records", false, ThresholdTab, false, 7, {Connect}, threshold);
    row("off threshold busy", false, ThresholdTab, true, 0, {Connect}, threshold);
    row("off threshold busy records", false, ThresholdTab, true, 7, {Connect}, threshold);
    row("off calibration", false, CalibrationTab, false, 0, {Connect}, threshold);
    row("off calibration records", false, CalibrationTab, false, 7, {Connect}, threshold);
    row("off calibration busy", false, CalibrationTab, true, 0, {Connect}, threshold);
    row("off calibration busy records", false, CalibrationTab, true, 7, {Connect}, threshold);

    // Connected on the data tab: download, and delete while the meter holds records (any
    // count but zero); all of it, Open and Save included, stops while a download runs.
    const QList<int> dataCommands{Save, Open, Disconnect, DownloadData};
    row("on data", true, DataTab, false, 0, dataCommands, data);
    row("on data records", true, DataTab, false, 7,
        dataCommands + QList<int>{DeleteCurrentData, DeleteAllData}, data);
    row("on data negative records", true, DataTab, false, -2,
        dataCommands + QList<int>{DeleteCurrentData, DeleteAllData}, data);
    row("on data busy", true, DataTab, true, 0, {Disconnect}, data);
    row("on data busy records", true, DataTab, true, 7, {Disconnect}, data);

    // Connected on the threshold tab: the two threshold commands, download or not.
    const QList<int> thresholdCommands{Disconnect, DownloadThreshold, UploadThreshold};
    row("on threshold", true, ThresholdTab, false, 0, thresholdCommands, threshold);
    row("on threshold records", true, ThresholdTab, false, 7, thresholdCommands, threshold);
    row("on threshold busy", true, ThresholdTab, true, 0, thresholdCommands, threshold);
    row("on threshold busy records", true, ThresholdTab, true, 7, thresholdCommands, threshold);

    // Connected on the calibration tab: Disconnect only. No rule names a page, so the tab's
    // own page stays the target, unless a running download pulls it back to the data page.
    row("on calibration", true, CalibrationTab, false, 0, {Disconnect}, calibration);
    row("on calibration records", true, CalibrationTab, false, 7, {Disconnect}, calibration);
    row("on calibration busy", true, CalibrationTab, true, 0, {Disconnect}, data);
    row("on calibration busy records", true, CalibrationTab, true, 7, {Disconnect}, data);
}

void TestCommandEnabling::eachStateGivesItsCommandsAndTarget()
{
    QFETCH(bool, connected);
    QFETCH(int, tab);
    QFETCH(bool, busy);
    QFETCH(int, records);
    QFETCH(QList<int>, enabled);
    QFETCH(TargetPage, target);

    // The operator picks the tab while no download runs, over whatever flags the previous
    // tab left behind; then a download may start.
    const TabChange change =
        ChangeTab(tab, DataTab, {connected, false, quint16(records)}, {1, 1, 1});
    QCOMPARE(change.index, tab);

    // The idle pass runs again and again; every pass must give the same answer.
    ViewFlags flags = change.flags;
    TargetPage targeted = change.target;
    for (int passes = 1; passes <= 2; ++passes) {
        const EnablingPass pass =
            RunEnablingPass({connected, busy, quint16(records)}, tab, tab, flags);
        flags = pass.flags;
        targeted = pass.target.value_or(targeted);
        QList<int> enabledIds;
        for (const auto& [id, isEnabled] : pass.states) {
            if (isEnabled)
                enabledIds << id;
        }
        QCOMPARE(enabledIds, enabled);
        QCOMPARE(targeted, target);
    }
}

QTEST_APPLESS_MAIN(TestCommandEnabling)
#include "tst_commandenabling.moc"
