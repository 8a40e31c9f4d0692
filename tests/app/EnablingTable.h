#pragma once

#include "app/CommandEnabling.h"

#include <QList>
#include <QTest>

Q_DECLARE_METATYPE(TargetPage)

namespace QTest {
template <> inline char* toString(const TargetPage& page)
{
    static const char* const names[] = {"data page", "threshold page", "calibration page"};
    return qstrdup(names[int(page)]);
}
} // namespace QTest

// The command states the operator must see in every combination of link state, selected
// tab, running download and stored record count, with the page that receives the meter's
// answers after the idle pass. Each row is the state after the tab was selected (with no
// download running) and the download then started or not.
inline void AddEnablingRows()
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

    // Not connected: only Connect, and Open/Save on the data tab while no download runs.
    // The threshold rule runs last and leaves the threshold page as the target.
    row("off data", false, DataTab, false, 0, {Save, Open, Connect}, TargetPage::Threshold);
    row("off data records", false, DataTab, false, 7, {Save, Open, Connect}, TargetPage::Threshold);
    row("off data busy", false, DataTab, true, 0, {Connect}, TargetPage::Threshold);
    row("off data busy records", false, DataTab, true, 7, {Connect}, TargetPage::Threshold);
    row("off threshold", false, ThresholdTab, false, 0, {Connect}, TargetPage::Threshold);
    row("off threshold records", false, ThresholdTab, false, 7, {Connect}, TargetPage::Threshold);
    row("off threshold busy", false, ThresholdTab, true, 0, {Connect}, TargetPage::Threshold);
    row("off threshold busy records", false, ThresholdTab, true, 7, {Connect},
        TargetPage::Threshold);
    row("off calibration", false, CalibrationTab, false, 0, {Connect}, TargetPage::Threshold);
    row("off calibration records", false, CalibrationTab, false, 7, {Connect},
        TargetPage::Threshold);
    row("off calibration busy", false, CalibrationTab, true, 0, {Connect}, TargetPage::Threshold);
    row("off calibration busy records", false, CalibrationTab, true, 7, {Connect},
        TargetPage::Threshold);

    // Connected on the data tab: download, and delete once the meter holds records; all of
    // it, Open and Save included, stops while a download runs.
    row("on data", true, DataTab, false, 0, {Save, Open, Disconnect, DownloadData},
        TargetPage::Data);
    row("on data records", true, DataTab, false, 7,
        {Save, Open, Disconnect, DownloadData, DeleteCurrentData, DeleteAllData}, TargetPage::Data);
    row("on data busy", true, DataTab, true, 0, {Disconnect}, TargetPage::Data);
    row("on data busy records", true, DataTab, true, 7, {Disconnect}, TargetPage::Data);

    // Connected on the threshold tab: the two threshold commands.
    row("on threshold", true, ThresholdTab, false, 0,
        {Disconnect, DownloadThreshold, UploadThreshold}, TargetPage::Threshold);
    row("on threshold records", true, ThresholdTab, false, 7,
        {Disconnect, DownloadThreshold, UploadThreshold}, TargetPage::Threshold);
    row("on threshold busy", true, ThresholdTab, true, 0,
        {Disconnect, DownloadThreshold, UploadThreshold}, TargetPage::Threshold);
    row("on threshold busy records", true, ThresholdTab, true, 7,
        {Disconnect, DownloadThreshold, UploadThreshold}, TargetPage::Threshold);

    // Connected on the calibration tab: Disconnect only. A running download pulls the
    // target back to the data page.
    row("on calibration", true, CalibrationTab, false, 0, {Disconnect}, TargetPage::Calibration);
    row("on calibration records", true, CalibrationTab, false, 7, {Disconnect},
        TargetPage::Calibration);
    row("on calibration busy", true, CalibrationTab, true, 0, {Disconnect}, TargetPage::Data);
    row("on calibration busy records", true, CalibrationTab, true, 7, {Disconnect},
        TargetPage::Data);
}
