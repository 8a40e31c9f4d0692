#include "app/CQX390DView.h"

#include "app/DesktopHelpOpener.h"
#include "calibration/CAdjustWin.h"
#include "data/CDownLoadWin.h"
#include "data/CPowerChartWin.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "thresholds/CSetThrWin.h"

#include <QCoreApplication>
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

LinkSnapshot CurrentLink()
{
    return {linkConnected != 0, downloadBusy != 0, storedRecordCount};
}

} // namespace

CQX390DView::CQX390DView(Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent), prompter_(prompter), dialogs_(dialogs), tabControl_(new PageTabs(this)),
      dataPage_(new CDownLoadWin(prompter, dialogs, tabControl_)),
      calibrationPage_(new CAdjustWin(prompter, tabControl_)),
      thresholdPage_(new CSetThrWin(prompter, tabControl_))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabControl_);

    tabControl_->addTab(dataPage_, QStringLiteral("DownLoad Data"));
    tabControl_->addTab(thresholdPage_, QStringLiteral("Threshold Setting"));
    tabControl_->addTab(calibrationPage_, QStringLiteral("Calibration"));
    tabControl_->setCurrentIndex(DataTab);
    connect(tabControl_, &QTabWidget::currentChanged, this, &CQX390DView::OnTabChanged);
    connect(thresholdPage_, &CSetThrWin::ThresholdsChanged, &dataPage_->Limits(),
            &KnownLimits::Take);
}

QObject* CQX390DView::Page(TargetPage page) const
{
    switch (page) {
    case TargetPage::Data:
        return dataPage_;
    case TargetPage::Threshold:
        return thresholdPage_;
    case TargetPage::Calibration:
        break;
    }
    return calibrationPage_;
}

void CQX390DView::OnTabChanged(int index)
{
    DeviceLink* link = DeviceLink::Instance();
    const TabChange change = ChangeTab(index, currentTab_, CurrentLink(), flags_);
    if (change.index != index) {
        // Springs back without reporting a second change.
        const QSignalBlocker quiet(tabControl_);
        tabControl_->setCurrentIndex(change.index);
    }
    currentTab_ = change.index;
    flags_ = change.flags;
    link->targetWindow = Page(change.target);
}

EnablingPass CQX390DView::UpdateCommandStates()
{
    // The first pass after start-up is what creates the link.
    DeviceLink* link = DeviceLink::Instance();
    const EnablingPass pass =
        RunEnablingPass(CurrentLink(), tabControl_->currentIndex(), currentTab_, flags_);
    flags_ = pass.flags;
    if (pass.target)
        link->targetWindow = Page(*pass.target);
    return pass;
}

void CQX390DView::OnFileOpen()
{
    dataPage_->OnImportSheet();
}

void CQX390DView::OnFileSave()
{
    dataPage_->OnExportCsv();
}

void CQX390DView::OnFileExportWorkbook()
{
    dataPage_->OnExportWorkbook();
}

void CQX390DView::OnFileExportReport()
{
    dataPage_->OnExportReport();
}

void CQX390DView::OnViewPowerChart()
{
    if (!powerChart_)
        powerChart_ =
            new CPowerChartWin(dataPage_->Table(), dataPage_->Limits(), prompter_, dialogs_, this);
    powerChart_->show();
    powerChart_->raise();
    powerChart_->activateWindow();
}

void CQX390DView::OnHelp()
{
    DesktopHelpOpener opener;
    OpenHelp(QCoreApplication::applicationDirPath(), opener, prompter_, this);
}

void CQX390DView::OnSaveThresholds()
{
    thresholdPage_->SaveToFile(dialogs_);
}

void CQX390DView::OnLoadThresholds()
{
    thresholdPage_->LoadFromFile(dialogs_);
}
