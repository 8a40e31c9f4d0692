#include "app/MainView.h"

#include "app/DesktopHelpOpener.h"
#include "calibration/CalibrationPage.h"
#include "link/DeviceLink.h"
#include "records/RecordsPage.h"
#include "thresholds/PresetDialog.h"
#include "thresholds/ThresholdsPage.h"
#include "verdicts/PowerChartWindow.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Every tab is 150 by 30 pixels, whatever its label.
class FixedTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int) const override { return {150, 30}; }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

class PageTabs : public QTabWidget
{
public:
    explicit PageTabs(QWidget* parent) : QTabWidget(parent) { setTabBar(new FixedTabBar(this)); }
};

LinkSnapshot Snapshot(const LinkState& state)
{
    return {state.connected, state.downloadBusy, state.storedRecordCount};
}

} // namespace

MainView::MainView(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent), link_(link), prompter_(prompter), dialogs_(dialogs),
      tabControl_(new PageTabs(this)),
      recordsPage_(new RecordsPage(link, prompter, dialogs, tabControl_)),
      calibrationPage_(new CalibrationPage(link, prompter, tabControl_)),
      thresholdsPage_(new ThresholdsPage(link, prompter, tabControl_))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabControl_);

    tabControl_->addTab(recordsPage_, tr("DownLoad Data"));
    tabControl_->addTab(thresholdsPage_, tr("Threshold Setting"));
    tabControl_->addTab(calibrationPage_, tr("Calibration"));
    tabControl_->setCurrentIndex(DataTab);
    connect(tabControl_, &QTabWidget::currentChanged, this, &MainView::OnTabChanged);
    // The names travel with the limits: the page has set its name cells before it signals.
    connect(thresholdsPage_, &ThresholdsPage::ThresholdsChanged, this,
            [this](const ThresholdTable& limits) {
                KnownLimits::GroupNames names;
                for (int g = 1; g <= ThresholdTable::kGroups; ++g)
                    names[static_cast<size_t>(g - 1)] =
                        thresholdsPage_->Cell(g, ThresholdsPage::kNameColumn)->text();
                recordsPage_->Limits().Take(limits, names);
            });
}

void MainView::Target(TargetPage page)
{
    switch (page) {
    case TargetPage::Data:
        link_.SetMessageTarget(recordsPage_);
        return;
    case TargetPage::Threshold:
        link_.SetMessageTarget(thresholdsPage_);
        return;
    case TargetPage::Calibration:
        link_.SetMessageTarget(calibrationPage_);
        return;
    }
}

void MainView::OnTabChanged(int index)
{
    const TabChange change = ChangeTab(index, currentTab_, Snapshot(link_.State()), flags_);
    if (change.index != index) {
        // Springs back without reporting a second change.
        const QSignalBlocker quiet(tabControl_);
        tabControl_->setCurrentIndex(change.index);
    }
    currentTab_ = change.index;
    flags_ = change.flags;
    Target(change.target);
}

EnablingPass MainView::UpdateCommandStates()
{
    const EnablingPass pass =
        RunEnablingPass(Snapshot(link_.State()), tabControl_->currentIndex(), currentTab_, flags_);
    flags_ = pass.flags;
    if (pass.target)
        Target(*pass.target);
    return pass;
}

void MainView::OnFileOpen()
{
    recordsPage_->OnImportSheet();
}

void MainView::OnFileSave()
{
    recordsPage_->OnExportCsv();
}

void MainView::OnFileExportWorkbook()
{
    recordsPage_->OnExportWorkbook();
}

void MainView::OnFileExportReport()
{
    recordsPage_->OnExportReport(ReportChartChoice());
}

std::optional<ChartChoice> MainView::ReportChartChoice() const
{
    if (powerChart_ && powerChart_->isVisible())
        return powerChart_->CurrentChoice();
    return std::nullopt;
}

void MainView::OnViewPowerChart()
{
    if (!powerChart_)
        powerChart_ = new PowerChartWindow(recordsPage_->Table(), recordsPage_->Table(),
                                           recordsPage_->Limits(), prompter_, dialogs_, this);
    powerChart_->show();
    powerChart_->raise();
    powerChart_->activateWindow();
}

void MainView::OnHelp()
{
    DesktopHelpOpener opener;
    OpenHelp(QCoreApplication::applicationDirPath(), opener, prompter_, this);
}

void MainView::OnSaveThresholds()
{
    thresholdsPage_->SaveToFile(dialogs_);
}

void MainView::OnLoadThresholds()
{
    thresholdsPage_->LoadFromFile(dialogs_);
}

void MainView::OnApplyPreset()
{
    RunPresetDialog(*thresholdsPage_, prompter_, QCoreApplication::applicationDirPath());
}
